#include "platform/Utf8.h"

namespace tabrova {
namespace {

constexpr char16_t kReplacement = u'\uFFFD';
constexpr char32_t kEscapedByte = 0xDC00;

}  // namespace

namespace {

// Malformed bytes become U+FFFD (one per maximal malformed sequence), or with escapeBytes each
// byte b becomes the lone surrogate U+DC00 + b.
std::u16string decode(std::string_view bytes, bool escapeBytes) {
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
            if (escapeBytes) {
                for (std::size_t k = 0; k < n; ++k)
                    out.push_back(static_cast<char16_t>(kEscapedByte +
                                                        static_cast<unsigned char>(bytes[i + k])));
            } else {
                out.push_back(kReplacement);
            }
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

std::string encode(std::u16string_view text, bool escapedBytes) {
    std::string out;
    out.reserve(text.size() * 3);
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (escapedBytes && cp >= kEscapedByte + 0x80 && cp <= kEscapedByte + 0xFF) {
            out.push_back(static_cast<char>(cp - kEscapedByte));
            continue;
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

}  // namespace

std::u16string utf8ToUtf16(std::string_view bytes) { return decode(bytes, false); }
std::string utf16ToUtf8(std::u16string_view text) { return encode(text, false); }
std::u16string bytesToUtf16(std::string_view bytes) { return decode(bytes, true); }
std::string utf16ToBytes(std::u16string_view text) { return encode(text, true); }

std::string messageText(std::string_view bytes, std::size_t maxChars) {
    const std::u16string text = bytesToUtf16(bytes);
    std::u16string shown;
    std::size_t chars = 0;
    auto hex = [](unsigned v, int digits) {
        static const char16_t kDigits[] = u"0123456789abcdef";
        std::u16string s;
        for (int d = digits - 1; d >= 0; --d) s += kDigits[(v >> (4 * d)) & 15];
        return s;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (chars == maxChars) {
            shown += u'\u2026';
            break;
        }
        const char16_t c = text[i];
        ++chars;
        if (c >= kEscapedByte + 0x80 && c <= kEscapedByte + 0xFF) {
            shown += u"\\x" + hex(c - kEscapedByte, 2);
        } else if (c == u'\n') {
            shown += u"\\n";
        } else if (c == u'\r') {
            shown += u"\\r";
        } else if (c == u'\t') {
            shown += u"\\t";
        } else if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            shown += u"\\x" + hex(c, 2);
        } else if (c == 0x2028 || c == 0x2029 || (c >= 0x202A && c <= 0x202E) ||
                   (c >= 0x2066 && c <= 0x2069)) {
            // Line separators and the controls that reverse the direction of what follows.
            shown += u"\\u" + hex(c, 4);
        } else {
            shown += c;
            if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) shown += text[++i];
        }
    }
    return utf16ToUtf8(shown);
}

std::string messageText(std::u16string_view text, std::size_t maxChars) {
    return messageText(utf16ToBytes(text), maxChars);
}

std::string quotedText(std::u16string_view text, std::size_t maxChars) {
    return "\"" + messageText(text, maxChars) + "\"";
}

std::string quotedText(std::string_view bytes, std::size_t maxChars) {
    return "\"" + messageText(bytes, maxChars) + "\"";
}

bool sameAsciiNoCase(std::u16string_view a, std::u16string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    return true;
}

}  // namespace tabrova
