// Conversion between UTF-16 texts and the single/double-byte ANSI code page that files are
// written in (code page 932 on the Japanese systems the tool is made for).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tabrova::platform {

// The code page of the system's ANSI file texts: GetACP() on Windows, 932 elsewhere.
unsigned systemAnsiCodePage();

// Encodes a text. Returns nullopt when any character has no exact round trip in the code page
// (a best-fit substitute, such as the yen sign written as a backslash, does not count).
// Code page 932 is supported everywhere; other code pages only where the system provides them.
std::optional<std::string> encodeCodePage(unsigned codePage, std::u16string_view text);

// Decodes bytes of the code page. A byte sequence without a mapping becomes the code page's
// default character, as Windows decodes it (U+30FB "・" for code page 932).
std::u16string decodeCodePage(unsigned codePage, std::string_view bytes);

// True for the first byte of a two-byte character of code page 932.
constexpr bool isCp932LeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

}  // namespace tabrova::platform
