// The named number formats of XML Spreadsheet 2003 ("Fixed", "Short Date", "Yes/No", ...) as the
// format codes a Japanese-locale Excel gives them when it reads such a file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tabrova::workbook {

// The format code of a named format (names compare without regard to ASCII case); nothing when
// the text is a format code of its own.
std::optional<std::u16string> namedNumberFormat(std::u16string_view name);

}  // namespace tabrova::workbook
