// Line-oriented text files in the encodings the program's own files use: UTF-8 or UTF-16 with a
// byte-order mark, or the system's ANSI code page without one.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Utf8.h"

namespace tabrova {

enum class TextEncoding {
    CodePage,    // the ANSI code page given to the functions, no byte-order mark
    Utf8Bom,     // EF BB BF
    Utf16LeBom,  // FF FE
    Utf16BeBom,  // FE FF
};

struct TextLine {
    std::u16string text;
    // For a line read in the code page: its bytes as they stood in the file. Written back as they
    // are, so that bytes the code page does not map (shown as its default character) are not lost
    // by a save. Cleared whenever the text is replaced.
    std::optional<std::string> raw;
};

struct TextLines {
    TextEncoding encoding = TextEncoding::CodePage;
    std::vector<TextLine> lines;
};

// Splits a file's bytes into lines. A byte-order mark selects the encoding; without one the bytes
// are in the code page. Lines end with CR LF, LF or CR; a line end at the very end of the file
// does not start another line, so "" holds no line and "\r\n" one empty line.
TextLines decodeTextLines(std::string_view bytes, unsigned codePage);

// The bytes of the lines, each ended by CR LF, the byte-order mark first. When the encoding is the
// code page and a line's text has no exact round trip there, the whole file is written as UTF-8
// with BOM instead; `encoding` is then updated to say so.
std::string encodeTextLines(const std::vector<TextLine>& lines, TextEncoding& encoding,
                            unsigned codePage);

}  // namespace tabrova
