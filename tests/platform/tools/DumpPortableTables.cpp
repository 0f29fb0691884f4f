// Writes what the portable code page 932 conversion and width mapping give for every input the
// Windows test compares with the system: one line per input, "<kind> <input> <output>", inputs and
// outputs as hexadecimal units separated by '.', "-" for no output.
//   D bytes -> text     decodeCodePage(932)
//   E char  -> bytes    encodeCodePage(932); "-" when the character has no exact round trip
//   F text  -> text     mapToFullWidth
//   H text  -> text     mapToHalfWidth
// Built and run natively by scripts/windows-tests; usage: dump-portable-tables <output file>.
#include <cstdio>
#include <string>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/WidthMapping.h"

using namespace tabrova::platform;

namespace {

template <class Units>
std::string hex(const Units& units) {
    if (units.empty()) return "-";
    std::string out;
    char part[8];
    for (const auto unit : units) {
        std::snprintf(
            part, sizeof part, "%s%X", out.empty() ? "" : ".",
            static_cast<unsigned>(static_cast<std::make_unsigned_t<decltype(unit)>>(unit)));
        out += part;
    }
    return out;
}

void line(std::FILE* file, char kind, const std::string& in, const std::string& out) {
    std::fprintf(file, "%c %s %s\n", kind, in.c_str(), out.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output file>\n", argv[0]);
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "w");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    // Every single byte (a lead byte alone, at the end of the text), every lead byte with every
    // trail byte.
    for (unsigned b = 0; b < 0x100; ++b) {
        const std::string one(1, static_cast<char>(b));
        line(file, 'D', hex(one), hex(decodeCodePage(932, one)));
        if (!isCp932LeadByte(static_cast<unsigned char>(b))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string two{static_cast<char>(b), static_cast<char>(trail)};
            line(file, 'D', hex(two), hex(decodeCodePage(932, two)));
        }
    }
    for (unsigned c = 0; c < 0x10000; ++c) {
        const std::u16string one(1, static_cast<char16_t>(c));
        const auto bytes = encodeCodePage(932, one);
        line(file, 'E', hex(one), bytes ? hex(*bytes) : "-");
        line(file, 'F', hex(one), hex(*mapToFullWidth(one)));
        line(file, 'H', hex(one), hex(*mapToHalfWidth(one)));
    }
    // A half-width kana followed by a half-width sound mark.
    for (char16_t base = 0xFF61; base <= 0xFF9F; ++base) {
        for (const char16_t mark : {u'\uFF9E', u'\uFF9F'}) {
            const std::u16string pair{base, mark};
            line(file, 'F', hex(pair), hex(*mapToFullWidth(pair)));
        }
    }
    if (std::fclose(file) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
