#include "cad/CadConnection.h"

#include <cmath>

namespace tabrova::cad {
namespace {

constexpr std::int32_t kRestoreSettleMs = 500;
constexpr std::int32_t kEscapeSettleMs = 5;

platform::WindowHandle windowOf(automation::Object& app) {
    // Servers report HWND as a 32- or 64-bit integer; a double holds every handle exactly.
    return static_cast<platform::WindowHandle>(std::llround(app.get(u"HWND").toDouble()));
}

std::uint32_t milliseconds(std::int32_t ms) { return ms > 0 ? static_cast<std::uint32_t>(ms) : 0; }

}  // namespace

std::u16string upperAscii(std::u16string_view text) {
    std::u16string upper(text);
    for (char16_t& c : upper) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    return upper;
}

bool isCadRunning(std::u16string_view targetProgID) {
    const automation::ClassId cls = automation::classIdFromProgId(targetProgID);
    return automation::activeObject(cls) != nullptr;
}

CadSession attachCad(std::u16string_view targetProgID, platform::WindowOps& window) {
    CadSession session;
    session.app = automation::activeObject(automation::classIdFromProgId(targetProgID));
    if (!session.app) {
        throw automation::AutomationError(
            u"ProgId : " + std::u16string(targetProgID) + u" の CAD が起動していません.",
            automation::errors::operationUnavailable);
    }
    automation::Object& app = *session.app;

    if (window.IsIconic(windowOf(app))) {
        window.OpenIcon(windowOf(app));
        window.Sleep(kRestoreSettleMs);
    }
    window.SetForegroundWindow(windowOf(app));
    const platform::WindowHandle foreground = window.GetForegroundWindow();
    if (foreground == windowOf(app)) {
        window.keybd_event(platform::kVirtualKeyEscape, 0, 0, 0);
        window.keybd_event(platform::kVirtualKeyEscape, 0, platform::kKeyEventKeyUp, 0);
        window.Sleep(kEscapeSettleMs);
    }

    session.doc = app.getObject(u"ActiveDocument");
    return session;
}

void waitCadQuiescent(automation::Object& app, std::int32_t ms, std::u16string_view targetProgID,
                      platform::WindowOps& window) {
    window.Sleep(milliseconds(ms));
    const std::u16string family = upperAscii(targetProgID);
    const std::u16string_view stateMember =
        family.find(u"GCAD") != std::u16string::npos    ? u"GetGcadState"
        : family.find(u"ZWCAD") != std::u16string::npos ? u"GetZcadState"
                                                        : u"GetAcadState";
    while (!app.call(stateMember).toObject()->get(u"IsQuiescent").toBool()) {
        window.Sleep(milliseconds(ms));
    }
    window.Sleep(milliseconds(ms));
}

}  // namespace tabrova::cad
