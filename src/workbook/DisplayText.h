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

// A number as a column of px pixels shows it through its format code (general: the General
// format, which gives up decimals, then takes the exponent form, before it fills the cell with
// "#"); mdw is the maximum digit width of the standard font.
std::u16string fittedNumberText(double number, std::u16string_view code, bool general,
                                bool date1904, std::int64_t px, int mdw);

}  // namespace tabrova::workbook
