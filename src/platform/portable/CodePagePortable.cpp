// Code page 932 through iconv's CP932, turned once into lookup tables so that every conversion
// is a table walk. iconv lacks five single bytes that Windows maps; they are added by hand so that
// both systems read and write the same bytes.
#include <iconv.h>

#include <array>
#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "platform/CodePage.h"

namespace tabrova::platform {
namespace {

constexpr char16_t kUnmapped = 0xFFFF;
constexpr std::uint16_t kNoBytes = 0;

struct Cp932Tables {
    std::array<char16_t, 256> single{};                // byte -> char, kUnmapped when none
    std::vector<char16_t> twoByte;                     // (lead << 8 | trail) -> char
    std::vector<std::uint16_t> encode;                 // char -> bytes (1 or 2), kNoBytes when none
    std::vector<std::uint8_t> encodeLength;
};

char16_t iconvDecode(iconv_t cd, const unsigned char* in, std::size_t len) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* src = reinterpret_cast<char*>(const_cast<unsigned char*>(in));
    std::size_t srcLeft = len;
    char16_t out[4] = {};
    char* dst = reinterpret_cast<char*>(out);
    std::size_t dstLeft = sizeof out;
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1) || srcLeft != 0 ||
        sizeof out - dstLeft != 2) {
        return kUnmapped;
    }
    return out[0];
}

const Cp932Tables& tables() {
    static Cp932Tables t;
    static std::once_flag once;
    std::call_once(once, [] {
        t.single.fill(kUnmapped);
        t.twoByte.assign(0x10000, kUnmapped);
        t.encode.assign(0x10000, kNoBytes);
        t.encodeLength.assign(0x10000, 0);

        iconv_t dec = iconv_open("UTF-16LE", "CP932");
        iconv_t enc = iconv_open("CP932", "UTF-16LE");
        if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1)) {
            throw std::runtime_error("code page 932 is not available (iconv CP932)");
        }
        for (unsigned b = 0; b < 256; ++b) {
            if (isCp932LeadByte(static_cast<unsigned char>(b))) continue;
            const unsigned char byte = static_cast<unsigned char>(b);
            t.single[b] = iconvDecode(dec, &byte, 1);
        }
        t.single[0x80] = 0x0080;
        t.single[0xA0] = 0xF8F0;
        t.single[0xFD] = 0xF8F1;
        t.single[0xFE] = 0xF8F2;
        t.single[0xFF] = 0xF8F3;
        for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isCp932LeadByte(static_cast<unsigned char>(lead))) continue;
            for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
                const unsigned char pair[2] = {static_cast<unsigned char>(lead),
                                               static_cast<unsigned char>(trail)};
                t.twoByte[lead << 8 | trail] = iconvDecode(dec, pair, 2);
            }
        }

        // Encoding: what iconv's encoder chooses, kept only when it decodes back to the same
        // character (an exact round trip, never a best-fit substitute).
        for (unsigned c = 0; c < 0x10000; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF) continue;
            iconv(enc, nullptr, nullptr, nullptr, nullptr);
            char16_t unit = static_cast<char16_t>(c);
            char* src = reinterpret_cast<char*>(&unit);
            std::size_t srcLeft = 2;
            unsigned char out[4] = {};
            char* dst = reinterpret_cast<char*>(out);
            std::size_t dstLeft = sizeof out;
            if (iconv(enc, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) continue;
            const std::size_t n = sizeof out - dstLeft;
            if (n == 1 && t.single[out[0]] == c) {
                t.encode[c] = out[0];
                t.encodeLength[c] = 1;
            } else if (n == 2 && isCp932LeadByte(out[0]) && t.twoByte[out[0] << 8 | out[1]] == c) {
                t.encode[c] = static_cast<std::uint16_t>(out[0] << 8 | out[1]);
                t.encodeLength[c] = 2;
            }
        }
        for (unsigned b : {0x80u, 0xA0u, 0xFDu, 0xFEu, 0xFFu}) {
            t.encode[t.single[b]] = static_cast<std::uint16_t>(b);
            t.encodeLength[t.single[b]] = 1;
        }
        iconv_close(dec);
        iconv_close(enc);
    });
    return t;
}

void requireCp932(unsigned codePage) {
    if (codePage != 932) {
        throw std::invalid_argument("code page " + std::to_string(codePage) +
                                    " is not supported on this system");
    }
}

}  // namespace

unsigned systemAnsiCodePage() { return 932; }

std::optional<std::string> encodeCodePage(unsigned codePage, std::u16string_view text) {
    requireCp932(codePage);
    const Cp932Tables& t = tables();
    std::string out;
    out.reserve(text.size() * 2);
    for (char16_t c : text) {
        // A surrogate (a character beyond the BMP) is never in code page 932.
        const std::uint8_t len = t.encodeLength[c];
        if (len == 0) return std::nullopt;
        const std::uint16_t bytes = t.encode[c];
        if (len == 2) out.push_back(static_cast<char>(bytes >> 8));
        out.push_back(static_cast<char>(bytes & 0xFF));
    }
    return out;
}

std::u16string decodeCodePage(unsigned codePage, std::string_view bytes) {
    requireCp932(codePage);
    const Cp932Tables& t = tables();
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        char16_t c;
        if (isCp932LeadByte(b) && i + 1 < bytes.size()) {
            c = t.twoByte[b << 8 | static_cast<unsigned char>(bytes[i + 1])];
            ++i;
        } else if (isCp932LeadByte(b)) {
            c = kUnmapped;  // a lead byte at the very end
        } else {
            c = t.single[b];
        }
        out.push_back(c == kUnmapped ? u'\u30FB' : c);
    }
    return out;
}

}  // namespace tabrova::platform
