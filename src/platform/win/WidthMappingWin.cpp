// Width mapping through LCMapStringW under the user's default locale.
#include <windows.h>

#include "platform/WidthMapping.h"

namespace tabrova::platform {
namespace {

std::optional<std::u16string> mapWidth(std::u16string_view text, DWORD flag) {
    // LCMapStringW rejects an empty source; an empty text maps to itself.
    if (text.empty()) return std::u16string();
    const LCID locale = GetUserDefaultLCID();
    const auto* src = reinterpret_cast<const wchar_t*>(text.data());
    const int srcLen = static_cast<int>(text.size());
    const int needed = LCMapStringW(locale, flag, src, srcLen, nullptr, 0);
    if (needed <= 0) return std::nullopt;
    std::u16string out(static_cast<std::size_t>(needed), u'\0');
    const int written =
        LCMapStringW(locale, flag, src, srcLen, reinterpret_cast<wchar_t*>(out.data()), needed);
    if (written <= 0) return std::nullopt;
    out.resize(static_cast<std::size_t>(written));
    return out;
}

}  // namespace

std::optional<std::u16string> mapToFullWidth(std::u16string_view text) {
    return mapWidth(text, LCMAP_FULLWIDTH);
}

std::optional<std::u16string> mapToHalfWidth(std::u16string_view text) {
    return mapWidth(text, LCMAP_HALFWIDTH);
}

}  // namespace tabrova::platform
