// Code page conversion through the system (MultiByteToWideChar / WideCharToMultiByte).
#include <windows.h>

#include "platform/CodePage.h"

namespace tabrova::platform {
namespace {

bool acceptsEncoderFlags(unsigned codePage) {
    return !(codePage == 42 || (codePage >= 50220 && codePage <= 50229) || codePage == 52936 ||
             codePage == 54936 || (codePage >= 57002 && codePage <= 57011) || codePage == 65000 ||
             codePage == 65001);
}

}  // namespace

unsigned systemAnsiCodePage() { return GetACP(); }

std::optional<std::string> encodeCodePage(unsigned codePage, std::u16string_view text) {
    if (text.empty()) return std::string();
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int wideLen = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    // WC_NO_BEST_FIT_CHARS: a character without its own code must fail, not take a look-alike.
    // The code pages without a default character (UTF-8, UTF-7, the ISO-2022 and GB18030
    // families) refuse the flag and the used-default argument; the round trip below decides.
    const bool takesFlags = acceptsEncoderFlags(codePage);
    const DWORD flags = takesFlags ? WC_NO_BEST_FIT_CHARS : 0;
    BOOL* usedDefaultArg = takesFlags ? &usedDefault : nullptr;
    const int n =
        WideCharToMultiByte(codePage, flags, wide, wideLen, nullptr, 0, nullptr, usedDefaultArg);
    if (n <= 0 || usedDefault) return std::nullopt;
    std::string out(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(codePage, flags, wide, wideLen, out.data(), n, nullptr, usedDefaultArg);
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
