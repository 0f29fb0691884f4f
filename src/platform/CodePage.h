// Conversion between UTF-16 texts and the single/double-byte ANSI code page that files are
// written in (code page 932 on the Japanese systems the tool is made for).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tabrova::platform {

// The code page of the system's ANSI file texts: GetACP() on Windows, 932 elsewhere.
unsigned systemAnsiCodePage();

// The code page a DXF R12 file is written in and declares ("ANSI_<n>"): the system's ANSI code
// page where it is one of the Windows ANSI code pages R12 readers know, else 932. A system whose
// ANSI code page is UTF-8 (65001, an option of Windows 10 and 11) would otherwise write a file no
// R12 reader can decode.
constexpr unsigned dxfCodePageFor(unsigned ansiCodePage) {
    switch (ansiCodePage) {
        case 874:
        case 932:
        case 936:
        case 949:
        case 950:
        case 1250:
        case 1251:
        case 1252:
        case 1253:
        case 1254:
        case 1255:
        case 1256:
        case 1257:
        case 1258:
            return ansiCodePage;
        default:
            return 932;
    }
}
inline unsigned dxfCodePage() { return dxfCodePageFor(systemAnsiCodePage()); }

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
