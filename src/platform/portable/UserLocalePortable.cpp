#include <cstdlib>
#include <locale>
#include <stdexcept>
#include <string>

#include "platform/UserLocale.h"

namespace tabrova::platform {

char16_t userDecimalSeparator() {
    std::string name;
    for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
        if (const char* value = std::getenv(variable); value && value[0] != '\0') {
            name = value;
            break;
        }
    }
    if (name.empty()) return u'.';
    try {
        const std::locale locale(name);
        const wchar_t point = std::use_facet<std::numpunct<wchar_t>>(locale).decimal_point();
        if (point > 0 && static_cast<unsigned long>(point) <= 0xFFFF) {
            return static_cast<char16_t>(point);
        }
    } catch (const std::runtime_error&) {
        // A locale the system does not provide.
    }
    return u'.';
}

}  // namespace tabrova::platform
