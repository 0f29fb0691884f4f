#include <windows.h>
// after windows.h
#include <imm.h>

#include "platform/InputMethod.h"

namespace tabrova::platform {

void switchInputMethodOff(WindowHandle window) {
    const HWND hwnd = reinterpret_cast<HWND>(static_cast<INT_PTR>(window));
    if (HIMC context = ImmGetContext(hwnd)) {
        ImmSetOpenStatus(context, FALSE);
        ImmReleaseContext(hwnd, context);
    }
}

}  // namespace tabrova::platform
