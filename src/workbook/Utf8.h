// UTF-8 and UTF-16 conversions for the texts of workbook parts and of the command line.
#pragma once

#include <string>
#include <string_view>

namespace tabrova::workbook {

// Malformed sequences become U+FFFD.
std::u16string utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace tabrova::workbook
