// Code page 932 and the width mapping: bytes decoded, encoded back (exact where the decoded text
// has a round trip), the cell-text conversions that work on the code page's bytes and the
// full-width/half-width mappings, on the decoded text and on the input read as UTF-16.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "grid/StrConvUnit.h"
#include "platform/CodePage.h"
#include "platform/WidthMapping.h"

using namespace tabrova;

namespace {

void convert(std::u16string_view text) {
    if (const auto encoded = platform::encodeCodePage(932, text)) {
        if (platform::decodeCodePage(932, *encoded) != text) std::abort();
    }
    IsNumStr(text);
    IsAlphaStr(text);
    StrToFullWidth(text);
    StrToHalfWidth(text);
    StrToFullWidthUnlessNumOrAlpha(text);
    FullNumToHalf(text);
    FullAlphaToHalf(text);
    ForbiddenToHalf(text);
    HalfKanaToFull(text);
    if (const auto full = platform::mapToFullWidth(text)) platform::mapToHalfWidth(*full);
    if (const auto half = platform::mapToHalfWidth(text)) platform::mapToFullWidth(*half);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    convert(platform::decodeCodePage(932, bytes));
    std::u16string utf16(size / 2, u'\0');
    std::memcpy(utf16.data(), data, utf16.size() * 2);
    convert(utf16);
    return 0;
}
