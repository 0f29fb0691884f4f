// The text a spreadsheet displays for a cell value under a number format code, as a
// Japanese-locale Excel shows it.
#pragma once

#include <string>
#include <string_view>

namespace tabrova::workbook {

// Excel's limit on the characters of a cell's text, which also bounds the text a format shows.
inline constexpr std::size_t kMaxCellTextChars = 32767;

// The format code of a built-in number format id (0–58 and the others Excel knows) as the
// Japanese-locale Excel shows it; empty when the id is not built in (Excel shows a cell with
// such an id as General).
std::u16string builtinNumberFormat(int id);

// The text Excel displays for a number under a format code ("General" included), 1900 or 1904
// date system. An empty code counts as General. A value the format cannot show (a negative date
// or time, a date beyond 9999-12-31, a number that no section of a conditional format takes)
// gives kCannotShow, a row of '#' longer than any column, which a caller fitting texts into
// their columns cuts to the column's width as Excel does.
std::u16string formatNumber(double value, std::u16string_view formatCode, bool date1904);

// The text of a string value under a format code (the text section / "@"); a code without a
// text section shows the text unchanged. At most kMaxCellTextChars UTF-16 units.
std::u16string formatText(std::u16string_view text, std::u16string_view formatCode);

// General number shortened to at most maxChars characters (the minus sign included) as Excel
// does for a narrow column (fewer decimals, then exponent form); empty when it cannot fit.
// Without a narrow column General shows at most 11 characters plus the minus sign, which is
// what formatNumber(value, u"General", …) gives.
std::u16string formatGeneral(double value, int maxChars = 11);

// True when the format code formats numbers as General (so a too-narrow column shortens it
// rather than showing ####).
bool isGeneralFormat(std::u16string_view formatCode);

// See formatNumber.
inline constexpr std::u16string_view kCannotShow =
    u"################################################################"
    u"################################################################"
    u"################################################################"
    u"###############################################################";

}  // namespace tabrova::workbook
