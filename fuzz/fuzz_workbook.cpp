// The workbook-file reader from the file's bytes to the cell table: the bytes are opened as a
// workbook file, every sheet is activated in turn and its saved selection read through the
// spreadsheet stand-in and the selection reader into a cell table, then drawn as DXF in memory.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "ReadSheet.h"
#include "workbook/WorkbookFile.h"

namespace {

using namespace tabrova;

const std::filesystem::path& inputFile() {
    static const std::filesystem::path path =
        std::filesystem::temp_directory_path() /
        ("tabrova-fuzz-" + std::to_string(getpid()) + ".xlsx");
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    {
        std::ofstream out(inputFile(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        const auto book = workbook::WorkbookFile::open(inputFile());
        for (std::size_t i = 0; i < book->sheets().size() && i < 8; ++i) fuzz::readSheet(*book, i);
    } catch (const workbook::WorkbookError&) {
    }
    return 0;
}
