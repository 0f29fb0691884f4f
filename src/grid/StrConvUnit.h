// Text tests and half-width/full-width conversions of the cell texts.
#pragma once

#include <string>
#include <string_view>

namespace tabrova {

// True when every character is a digit 0-9, a full stop, a comma or a minus sign (also for an
// empty text; callers check emptiness themselves where it matters).
bool IsNumStr(std::u16string_view text);

}  // namespace tabrova
