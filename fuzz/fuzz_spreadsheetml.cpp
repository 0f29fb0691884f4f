// The XML Spreadsheet 2003 reader: the input is a document, parsed whole and then for a small
// range of its first sheet (at the origin the first byte chooses), and every cell of that range
// asked for its facts. Refusals are WorkbookErrors; anything else is a fault.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "workbook/SpreadsheetMl.h"
#include "workbook/SpreadsheetMlFacts.h"

using namespace tabrova::workbook;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    try {
        spreadsheetml::parse(bytes, "fuzz");
        spreadsheetml::Reading reading;
        reading.sheet = 0;
        reading.range = CellRange{1, 1, 6, 6};
        if (size > 0 && (data[0] & 1)) {
            // A range's XML from the sheet's far corner.
            reading.originRow = kMaxRows - 3;
            reading.originCol = kMaxCols - 3;
            reading.range = CellRange{kMaxRows - 3, kMaxCols - 3, kMaxRows, kMaxCols};
        }
        const spreadsheetml::Document doc = spreadsheetml::parse(bytes, "fuzz", reading);
        const spreadsheetml::SheetFacts facts(doc, doc.sheets.front());
        const CellRange& r = *reading.range;
        for (std::uint32_t row = r.firstRow; row <= r.lastRow; ++row)
            for (std::uint32_t col = r.firstCol; col <= r.lastCol; ++col) facts.cell(row, col);
    } catch (const WorkbookError&) {
    }
    return 0;
}
