#include <chrono>
#include <thread>

#include "platform/WindowOps.h"

namespace tabrova::platform {
namespace {

class PortableWindowOps final : public WindowOps {
public:
    bool IsIconic(WindowHandle) override { return false; }
    void OpenIcon(WindowHandle) override {}
    bool SetForegroundWindow(WindowHandle) override { return false; }
    WindowHandle GetForegroundWindow() override { return 0; }
    void keybd_event(std::uint8_t, std::uint8_t, std::uint32_t, std::uintptr_t) override {}
    void Sleep(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
};

}  // namespace

WindowOps& systemWindowOps() {
    static PortableWindowOps ops;
    return ops;
}

}  // namespace tabrova::platform
