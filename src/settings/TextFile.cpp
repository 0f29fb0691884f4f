#include "settings/TextFile.h"

#include <cstdint>

#include "platform/CodePage.h"

namespace tabrova {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';

bool startsWith(std::string_view bytes, std::string_view prefix) {
    return bytes.substr(0, prefix.size()) == prefix;
}

// Calls f(line) for each line of a text ended by CR LF, LF or CR.
template <typename Text, typename F>
void forEachLine(Text text, F&& f) {
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = text[i];
        if (c == '\r' || c == '\n') {
            f(text.substr(start, i - start));
            i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < text.size()) f(text.substr(start));
}

std::u16string utf16FromBytes(std::string_view bytes, bool bigEndian) {
    std::u16string out;
    out.reserve(bytes.size() / 2 + 1);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        out.push_back(static_cast<char16_t>(bigEndian ? (a << 8 | b) : (b << 8 | a)));
    }
    if (bytes.size() % 2 != 0) out.push_back(kReplacement);
    return out;
}

void appendUtf16Bytes(std::string& out, std::u16string_view text, bool bigEndian) {
    for (char16_t c : text) {
        const char hi = static_cast<char>(c >> 8);
        const char lo = static_cast<char>(c & 0xFF);
        out.push_back(bigEndian ? hi : lo);
        out.push_back(bigEndian ? lo : hi);
    }
}

}  // namespace

std::u16string utf8ToUtf16(std::string_view bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        if (b0 < 0x80) {
            out.push_back(b0);
            ++i;
            continue;
        }
        std::size_t len = 0;
        char32_t cp = 0;
        char32_t min = 0;
        if (b0 >= 0xC2 && b0 <= 0xDF) {
            len = 2, cp = b0 & 0x1F, min = 0x80;
        } else if (b0 >= 0xE0 && b0 <= 0xEF) {
            len = 3, cp = b0 & 0x0F, min = 0x800;
        } else if (b0 >= 0xF0 && b0 <= 0xF4) {
            len = 4, cp = b0 & 0x07, min = 0x10000;
        }
        std::size_t n = 1;
        bool ok = len != 0;
        while (ok && n < len) {
            if (i + n >= bytes.size()) {
                ok = false;
                break;
            }
            const auto b = static_cast<unsigned char>(bytes[i + n]);
            if ((b & 0xC0) != 0x80) {
                ok = false;
                break;
            }
            cp = cp << 6 | (b & 0x3F);
            ++n;
        }
        if (ok && (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))) ok = false;
        if (!ok) {
            // One replacement per maximal malformed prefix, then carry on after it.
            out.push_back(kReplacement);
            i += n;
            continue;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += len;
    }
    return out;
}

std::string utf16ToUtf8(std::u16string_view text) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = kReplacement;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | cp >> 6));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | cp >> 12));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | cp >> 18));
            out.push_back(static_cast<char>(0x80 | (cp >> 12 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp >> 6 & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

TextLines decodeTextLines(std::string_view bytes, unsigned codePage) {
    TextLines result;
    std::u16string text;
    if (startsWith(bytes, "\xEF\xBB\xBF")) {
        result.encoding = TextEncoding::Utf8Bom;
        text = utf8ToUtf16(bytes.substr(3));
    } else if (startsWith(bytes, "\xFF\xFE")) {
        result.encoding = TextEncoding::Utf16LeBom;
        text = utf16FromBytes(bytes.substr(2), false);
    } else if (startsWith(bytes, "\xFE\xFF")) {
        result.encoding = TextEncoding::Utf16BeBom;
        text = utf16FromBytes(bytes.substr(2), true);
    } else {
        // CR and LF never occur as the second byte of a double-byte character in the East Asian
        // code pages, so the bytes can be split into lines before they are decoded.
        result.encoding = TextEncoding::CodePage;
        forEachLine(bytes, [&](std::string_view line) {
            result.lines.push_back({platform::decodeCodePage(codePage, line), std::string(line)});
        });
        return result;
    }
    forEachLine(std::u16string_view(text), [&](std::u16string_view line) {
        result.lines.push_back({std::u16string(line), std::nullopt});
    });
    return result;
}

std::string encodeTextLines(const std::vector<TextLine>& lines, TextEncoding& encoding,
                            unsigned codePage) {
    std::string out;
    if (encoding == TextEncoding::CodePage) {
        bool fits = true;
        for (const TextLine& line : lines) {
            if (line.raw) {
                out += *line.raw;
            } else if (auto bytes = platform::encodeCodePage(codePage, line.text)) {
                out += *bytes;
            } else {
                fits = false;
                break;
            }
            out += "\r\n";
        }
        if (fits) return out;
        encoding = TextEncoding::Utf8Bom;
        out.clear();
    }
    switch (encoding) {
        case TextEncoding::Utf8Bom:
            out = "\xEF\xBB\xBF";
            for (const TextLine& line : lines) out += utf16ToUtf8(line.text) + "\r\n";
            break;
        case TextEncoding::Utf16LeBom:
        case TextEncoding::Utf16BeBom: {
            const bool bigEndian = encoding == TextEncoding::Utf16BeBom;
            out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
            for (const TextLine& line : lines) {
                appendUtf16Bytes(out, line.text, bigEndian);
                appendUtf16Bytes(out, u"\r\n", bigEndian);
            }
            break;
        }
        case TextEncoding::CodePage:
            break;
    }
    return out;
}

}  // namespace tabrova
