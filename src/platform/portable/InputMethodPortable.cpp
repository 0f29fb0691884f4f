#include "platform/InputMethod.h"

namespace tabrova::platform {

// The input methods elsewhere (IBus, Fcitx) take no orders from the program.
void switchInputMethodOff(WindowHandle) {}

}  // namespace tabrova::platform
