// The text a cell of an .xlsx workbook shows.
#pragma once

#include <cstdint>
#include <string>

#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {

// The text a cell shows: strings as stored (rich text joined), numbers through their number
// format and fitted to the column as the sheet shows them ("#" when they cannot fit), Booleans
// as TRUE/FALSE, errors as stored.
std::u16string displayText(const XlsxWorkbook& workbook, const Sheet& sheet, std::uint32_t row,
                           std::uint32_t col);

}  // namespace tabrova::workbook
