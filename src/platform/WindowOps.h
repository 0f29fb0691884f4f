// The window and timing operations that bringing another program's main window to the front
// needs. On Windows these are the Win32 calls of the same names; elsewhere no such window exists.
#pragma once

#include <cstdint>

namespace tabrova::platform {

// A top-level window handle (HWND) as an integer, the form in which automation servers report it.
using WindowHandle = std::int64_t;

class WindowOps {
public:
    virtual ~WindowOps() = default;

    virtual bool IsIconic(WindowHandle window) = 0;
    virtual void OpenIcon(WindowHandle window) = 0;
    // False when the system refuses to bring the window to the front.
    virtual bool SetForegroundWindow(WindowHandle window) = 0;
    // 0 when no window is in front.
    virtual WindowHandle GetForegroundWindow() = 0;
    // Synthesises one keyboard event (virtual key, scan code, KEYEVENTF_* flags, extra info).
    virtual void keybd_event(std::uint8_t virtualKey, std::uint8_t scanCode, std::uint32_t flags,
                             std::uintptr_t extraInfo) = 0;
    // Blocks the calling thread.
    virtual void Sleep(std::uint32_t milliseconds) = 0;
};

inline constexpr std::uint8_t kVirtualKeyEscape = 0x1B;  // VK_ESCAPE
inline constexpr std::uint32_t kKeyEventKeyUp = 2;       // KEYEVENTF_KEYUP

// The operations of this system: the Win32 calls on Windows; elsewhere a desktop without other
// programs' windows (nothing is iconic or in front, key events go nowhere) whose Sleep still
// waits.
WindowOps& systemWindowOps();

}  // namespace tabrova::platform
