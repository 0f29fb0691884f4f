#include "grid/StrConvUnit.h"

namespace tabrova {

bool IsNumStr(std::u16string_view text) {
    for (char16_t c : text) {
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u',' || c == u'-')) return false;
    }
    return true;
}

}  // namespace tabrova
