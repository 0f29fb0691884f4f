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
#include "workbook/WorkbookObjects.h"

namespace {

using namespace tabrova;

const std::filesystem::path& inputFile() {
    static const std::filesystem::path path = std::filesystem::temp_directory_path() /
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
        workbook::OpenWorkbook open(inputFile(), u"Excel.Application");
        const auto count = static_cast<std::int32_t>(open.workbook().sheets().size());
        for (std::int32_t i = 1; i <= count && i <= 8; ++i) {
            try {
                fuzz::readSheet(open.application(), i);
            } catch (const automation::AutomationError&) {
                // A chart sheet cannot be activated for reading; that is reported, not a fault.
            }
        }
    } catch (const workbook::WorkbookError&) {
    }
    return 0;
}
