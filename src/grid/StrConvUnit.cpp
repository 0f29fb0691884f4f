#include "grid/StrConvUnit.h"

#include <algorithm>
#include <optional>

#include "platform/CodePage.h"
#include "platform/WidthMapping.h"

namespace tabrova {
namespace {

constexpr unsigned kCp932 = 932;

unsigned char byteAt(std::string_view bytes, std::size_t i) {
    return static_cast<unsigned char>(bytes[i]);
}

void appendTwoBytes(std::string& out, std::uint16_t code) {
    out.push_back(static_cast<char>(code >> 8));
    out.push_back(static_cast<char>(code & 0xFF));
}

// Walks code page 932 bytes character by character (a lead byte takes the byte after it) and
// lets `replace` append a replacement for the character at `i` of length `len`. `replace`
// returns the number of bytes it consumed (at least `len`), or 0 to have the character copied.
template <typename Replace>
std::string walkCp932(std::string_view bytes, Replace replace) {
    std::string out;
    out.reserve(bytes.size() * 2);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t len =
            platform::isCp932LeadByte(byteAt(bytes, i)) && i + 1 < bytes.size() ? 2 : 1;
        const std::size_t consumed = replace(bytes, i, len, out);
        if (consumed == 0) {
            out.append(bytes.substr(i, len));
            i += len;
        } else {
            i += consumed;
        }
    }
    return out;
}

bool representable(char16_t c) {
    return platform::encodeCodePage(kCp932, std::u16string_view(&c, 1)).has_value();
}

// Converts the text to code page 932, rewrites its characters with `replace` (see walkCp932)
// and converts back. A character that code page 932 cannot represent (a character outside the
// BMP, é, ...) is copied as it is; the runs between such characters are converted one by one.
template <typename Replace>
std::u16string throughCp932(std::u16string_view text, Replace replace) {
    if (const std::optional<std::string> bytes = platform::encodeCodePage(kCp932, text)) {
        return platform::decodeCodePage(kCp932, walkCp932(*bytes, replace));
    }
    std::u16string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t end = i;
        while (end < text.size() && representable(text[end])) ++end;
        if (end > i) {
            const std::optional<std::string> run =
                platform::encodeCodePage(kCp932, text.substr(i, end - i));
            out +=
                platform::decodeCodePage(kCp932, walkCp932(run.value_or(std::string()), replace));
            i = end;
        }
        while (i < text.size() && !representable(text[i])) out.push_back(text[i++]);
    }
    return out;
}

// The per-character rules of the four conversions, in the form walkCp932 takes.

std::size_t fullNumRule(std::string_view b, std::size_t i, std::size_t len, std::string& out) {
    if (len != 2 || byteAt(b, i) != 0x82) return 0;
    const unsigned char trail = byteAt(b, i + 1);
    if (trail < 0x4F || trail > 0x58) return 0;  // ０-９
    out.push_back(static_cast<char>(trail - 0x1F));
    return 2;
}

std::size_t fullAlphaRule(std::string_view b, std::size_t i, std::size_t len, std::string& out) {
    if (len != 2 || byteAt(b, i) != 0x82) return 0;
    const unsigned char trail = byteAt(b, i + 1);
    if (trail >= 0x60 && trail <= 0x79) {  // Ａ-Ｚ
        out.push_back(static_cast<char>(trail - 0x1F));
    } else if (trail >= 0x81 && trail <= 0x9A) {  // ａ-ｚ
        out.push_back(static_cast<char>(trail - 0x20));
    } else {
        return 0;
    }
    return 2;
}

std::size_t forbiddenRule(std::string_view b, std::size_t i, std::size_t len, std::string& out) {
    if (len != 2) return 0;
    const auto code = static_cast<std::uint16_t>(byteAt(b, i) << 8 | byteAt(b, i + 1));
    const auto* entry = std::find_if(ForbiddenTable.begin(), ForbiddenTable.end(),
                                     [code](const ForbiddenEntry& e) { return e.code == code; });
    if (entry == ForbiddenTable.end()) return 0;
    out.push_back(entry->result);
    return 2;
}

// A base byte and the sound mark after it become the katakana that follows the base's first
// occurrence in the pair string. No byte of a two-byte character there lies in 0xA0-0xDF, so the
// search can only meet a base.
std::size_t joinSoundMark(std::string_view pairs, unsigned char base, std::string& out) {
    const std::size_t at = pairs.find(static_cast<char>(base));
    if (at == std::string_view::npos) return 0;
    out.append(pairs.substr(at + 1, 2));
    return 2;
}

std::size_t halfKanaRule(std::string_view b, std::size_t i, std::size_t len, std::string& out) {
    const unsigned char c = byteAt(b, i);
    if (len != 1 || c < 0xA0 || c > 0xDF) return 0;
    if (i + 1 < b.size()) {
        const unsigned char next = byteAt(b, i + 1);
        if (next == 0xDE) {
            if (const std::size_t n = joinSoundMark(VoicedPairs, c, out)) return n;
        } else if (next == 0xDF) {
            if (const std::size_t n = joinSoundMark(SemiVoicedPairs, c, out)) return n;
        }
    }
    // Anything else, a sound mark on its own included, takes its table entry.
    appendTwoBytes(out, HalfKanaTable[c - 0xA0]);
    return 1;
}

}  // namespace

bool IsNumStr(std::u16string_view text) {
    for (char16_t c : text) {
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u',' || c == u'-')) return false;
    }
    return true;
}

bool IsAlphaStr(std::u16string_view text) {
    for (char16_t c : text) {
        if (!((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'.' || c == u',' ||
              c == u'-')) {
            return false;
        }
    }
    return true;
}

std::u16string StrToFullWidth(std::u16string_view text) {
    std::optional<std::u16string> mapped = platform::mapToFullWidth(text);
    return mapped ? std::move(*mapped) : std::u16string(text);
}

std::u16string StrToHalfWidth(std::u16string_view text) {
    std::optional<std::u16string> mapped = platform::mapToHalfWidth(text);
    return mapped ? std::move(*mapped) : std::u16string(text);
}

std::u16string StrToFullWidthUnlessNumOrAlpha(std::u16string_view text) {
    if (IsNumStr(text) || IsAlphaStr(text)) return std::u16string(text);
    return StrToFullWidth(text);
}

std::u16string FullNumToHalf(std::u16string_view text) { return throughCp932(text, fullNumRule); }

std::u16string FullAlphaToHalf(std::u16string_view text) {
    return throughCp932(text, fullAlphaRule);
}

std::u16string ForbiddenToHalf(std::u16string_view text) {
    return throughCp932(text, forbiddenRule);
}

std::u16string HalfKanaToFull(std::u16string_view text) { return throughCp932(text, halfKanaRule); }

}  // namespace tabrova
