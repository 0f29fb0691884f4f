// The XML Spreadsheet 2003 text of a range of a workbook's sheet, as the spreadsheet application's
// Range.Value(11) gives it: the styles the range's cells use (each listing what differs from
// "Default"), the range's column widths and row heights, and its cells with their values and
// merged areas, the range's top-left cell as the document's cell (1, 1).
#pragma once

#include <string>

#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {

// The document in UTF-8. The sheet must hold what the range's cells need (XlsxWorkbook::readCells
// of the range or of a range around it).
std::string spreadsheetMlOfRange(const XlsxWorkbook& workbook, const Sheet& sheet,
                                 const CellRange& range);

}  // namespace tabrova::workbook
