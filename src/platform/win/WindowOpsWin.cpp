#include <windows.h>

#include "platform/WindowOps.h"

namespace tabrova::platform {
namespace {

HWND toHwnd(WindowHandle window) { return reinterpret_cast<HWND>(static_cast<INT_PTR>(window)); }

class Win32WindowOps final : public WindowOps {
public:
    bool IsIconic(WindowHandle window) override { return ::IsIconic(toHwnd(window)) != FALSE; }
    void OpenIcon(WindowHandle window) override { ::OpenIcon(toHwnd(window)); }
    bool SetForegroundWindow(WindowHandle window) override {
        return ::SetForegroundWindow(toHwnd(window)) != FALSE;
    }
    WindowHandle GetForegroundWindow() override {
        return static_cast<WindowHandle>(reinterpret_cast<INT_PTR>(::GetForegroundWindow()));
    }
    void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                     std::uintptr_t extraInfo) override {
        ::keybd_event(virtualKey, scanCode, flags, static_cast<ULONG_PTR>(extraInfo));
    }
    void Sleep(std::uint32_t milliseconds) override { ::Sleep(milliseconds); }
};

}  // namespace

WindowOps& systemWindowOps() {
    static Win32WindowOps ops;
    return ops;
}

}  // namespace tabrova::platform
