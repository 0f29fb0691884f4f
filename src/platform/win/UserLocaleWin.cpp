#include <windows.h>

#include "platform/UserLocale.h"

namespace tabrova::platform {

char16_t userDecimalSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 1) {
        return static_cast<char16_t>(buffer[0]);
    }
    return u'.';
}

}  // namespace tabrova::platform
