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
