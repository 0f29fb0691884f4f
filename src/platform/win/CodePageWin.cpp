// Code page conversion through the system (MultiByteToWideChar / WideCharToMultiByte).
#include <windows.h>

#include "platform/CodePage.h"

namespace tabrova::platform {

unsigned systemAnsiCodePage() { return GetACP(); }

std::optional<std::string> encodeCodePage(unsigned codePage, std::u16string_view text) {
    if (text.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int wideLen = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    // WC_NO_BEST_FIT_CHARS: a character without its own code must fail, not take a look-alike.
    const int n = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, wideLen, nullptr, 0,
                                      nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, wide, wideLen, out.data(), n, nullptr,
                        &usedDefault);
    if (usedDefault) return std::nullopt;
    // Some characters still convert one way only; demand an exact round trip.
    if (decodeCodePage(codePage, out) != text) return std::nullopt;
    return out;
}

std::u16string decodeCodePage(unsigned codePage, std::string_view bytes) {
    if (bytes.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                                      nullptr, 0);
    if (n <= 0) return std::u16string(bytes.size(), u'\u30FB');
    std::u16string out(static_cast<std::size_t>(n), u'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()),
                        reinterpret_cast<wchar_t*>(out.data()), n);
    return out;
}

}  // namespace tabrova::platform
