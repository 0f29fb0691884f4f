// UTF-8 and UTF-16 conversions, for files, the command line, workbook parts and messages.
#pragma once

#include <string>
#include <string_view>

namespace tabrova {

// How much of a name or a value a message quotes.
inline constexpr std::size_t kMessageTextChars = 80;

// Each maximal malformed sequence (also overlong forms, surrogates and values past U+10FFFF)
// becomes one U+FFFD.
std::u16string utf8ToUtf16(std::string_view bytes);
// Unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::u16string_view text);

// As above, but a malformed byte b becomes the lone surrogate U+DC00 + b and back, so that bytes
// that are not UTF-8 (a file name on Linux) survive the trip through UTF-16 unchanged.
std::u16string bytesToUtf16(std::string_view bytes);
std::string utf16ToBytes(std::u16string_view text);

// Text from a file or from the user as it goes into a one-line message, in UTF-8: control
// characters as escapes ("\n", "\x1b"), bytes that are not UTF-8 as "\xNN", and cut after
// maxChars characters with "…".
std::string messageText(std::string_view bytes, std::size_t maxChars = kMessageTextChars);
std::string messageText(std::u16string_view text, std::size_t maxChars = kMessageTextChars);
// The same in double quotes.
std::string quotedText(std::string_view bytes, std::size_t maxChars = kMessageTextChars);
std::string quotedText(std::u16string_view text, std::size_t maxChars = kMessageTextChars);

// c in ASCII lower case: A-Z become a-z, every other character stays.
constexpr char16_t asciiLower(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + (u'a' - u'A')) : c;
}

// Whether two texts are equal without regard to ASCII letter case (as names of sheets, members and
// formats compare).
bool sameAsciiNoCase(std::u16string_view a, std::u16string_view b);

}  // namespace tabrova
