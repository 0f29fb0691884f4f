// The input method (IME) of a window: the program switches it off where ASCII is expected, and
// the user can switch it on again (Japanese names may be typed there too).
#pragma once

#include "platform/WindowOps.h"

namespace tabrova::platform {

// Switches the input method of the window off (ImmSetOpenStatus on Windows). Nothing where the
// system offers no such control.
void switchInputMethodOff(WindowHandle window);

}  // namespace tabrova::platform
