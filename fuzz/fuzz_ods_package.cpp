// The OpenDocument reader from the file's bytes to the cell table: a .ods package (or a flat
// document) opened from memory, every sheet's saved cursor read through the selection reader
// into a cell table and drawn as DXF in memory.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ReadSheet.h"
#include "workbook/WorkbookFile.h"

using namespace tabrova;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        const auto book = workbook::openOdsBytes(
            std::string(reinterpret_cast<const char*>(data), size), "fuzz.ods");
        for (std::size_t i = 0; i < book->sheets().size() && i < 8; ++i) fuzz::readSheet(*book, i);
    } catch (const workbook::WorkbookError&) {
    }
    return 0;
}
