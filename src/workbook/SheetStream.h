// Reads worksheet parts as a stream: inflated in pieces and parsed by a streaming parser, keeping
// only what a read of a range needs, so that its cost grows with the range, not with the sheet.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "workbook/SheetModel.h"

namespace tabrova::workbook {

class XlsxPackage;

// What the reads take from the workbook.
struct SheetSource {
    XlsxPackage& package;
    const std::filesystem::path& path;  // for the errors
    std::uint32_t styleCount;           // entries of cellXfs; other style indexes count as 0
    bool date1904;
    const std::string& sharedStringsPart;  // empty when the workbook has none
};

// The sheet's name as a reason quotes it.
std::string sheetLabel(const Sheet& sheet);

// The sheet's settings before its cells: default sizes, column entries and the saved selection.
// Reads the part only up to its cells.
void readSheetSettings(const SheetSource& source, Sheet& sheet);

// The settings and, for the cells of range, what Sheet describes; the merged-range index is left
// to the caller. Rows outside the range (and the one on either side) are passed over without
// being parsed; of the shared strings only those the kept cells refer to are decoded. Throws
// WorkbookError.
void readSheetCells(const SheetSource& source, Sheet& sheet, const CellRange& range);

}  // namespace tabrova::workbook
