// UTF-8 and UTF-16 conversions, for files, the command line, workbook parts and messages.
#pragma once

#include <string>
#include <string_view>

namespace tabrova {

// Each maximal malformed sequence (also overlong forms, surrogates and values past U+10FFFF)
// becomes one U+FFFD.
std::u16string utf8ToUtf16(std::string_view bytes);
// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

}  // namespace tabrova
