#include <gtest/gtest.h>

#include "FakeCad.h"
#include "cad/CadConnection.h"

namespace tabrova::cad {
namespace {

using fake::FakeCad;
using fake::FakeWindow;
using fake::RunningCad;
using fake::Trace;

constexpr std::u16string_view kProgId = u"Tabrova.TestCad";

TEST(CadConnection, UpperCasesOnlyAsciiLetters) {
    EXPECT_EQ(upperAscii(u"gcad.Application.1"), u"GCAD.APPLICATION.1");
    EXPECT_EQ(upperAscii(u"ｇｃａｄ äß"), u"ｇｃａｄ äß");
}

TEST(CadConnection, RunningOnlyWhileAnInstanceIsRegistered) {
    Trace trace;
    FakeCad cad(trace);
    {
        RunningCad running(std::u16string(kProgId), cad);
        EXPECT_TRUE(isCadRunning(kProgId));
        EXPECT_TRUE(isCadRunning(u"TABROVA.TESTCAD"));
    }
    try {
        automation::classIdFromProgId(kProgId);
    } catch (const automation::AutomationError&) {
        GTEST_SKIP() << "this system refuses ProgIDs that are not installed";
    }
    EXPECT_FALSE(isCadRunning(kProgId));
    EXPECT_TRUE(trace.empty());
}

TEST(CadConnection, UnregisteredProgIdIsAnErrorWithTheSystemsText) {
    automation::setProgIdRefused(kProgId, true);
    try {
        isCadRunning(kProgId);
        ADD_FAILURE() << "no error";
    } catch (const automation::AutomationError& e) {
        EXPECT_FALSE(e.message().empty());
        EXPECT_EQ(e.code(), automation::errors::invalidClassString);
    }
    automation::setProgIdRefused(kProgId, false);
}

TEST(CadConnection, AttachRestoresRaisesAndCancelsTheCommandInProgress) {
    struct Case {
        const char* what;
        bool iconic;
        bool raiseRefused;
        Trace expected;
    };
    const Case cases[] = {
        {"in front",
         false,
         false,
         {"app.HWND", "win.IsIconic(10767)", "app.HWND", "win.SetForegroundWindow(10767)",
          "win.GetForegroundWindow", "app.HWND", "win.keybd_event(27,0,0,0)",
          "win.keybd_event(27,0,2,0)", "win.Sleep(5)", "app.ActiveDocument"}},
        {"minimised",
         true,
         false,
         {"app.HWND", "win.IsIconic(10767)", "app.HWND", "win.OpenIcon(10767)", "win.Sleep(500)",
          "app.HWND", "win.SetForegroundWindow(10767)", "win.GetForegroundWindow", "app.HWND",
          "win.keybd_event(27,0,0,0)", "win.keybd_event(27,0,2,0)", "win.Sleep(5)",
          "app.ActiveDocument"}},
        {"raise refused",
         true,
         true,
         {"app.HWND", "win.IsIconic(10767)", "app.HWND", "win.OpenIcon(10767)", "win.Sleep(500)",
          "app.HWND", "win.SetForegroundWindow(10767)", "win.GetForegroundWindow", "app.HWND",
          "app.ActiveDocument"}},
    };
    for (const Case& c : cases) {
        Trace trace;
        FakeCad cad(trace);
        FakeWindow window(trace);
        window.iconic = c.iconic;
        window.raiseRefused = c.raiseRefused;
        RunningCad running(std::u16string(kProgId), cad);
        const CadSession session = attachCad(kProgId, window);
        EXPECT_TRUE(session.app && session.doc) << c.what;
        EXPECT_EQ(trace, c.expected) << c.what;
    }
}

TEST(CadConnection, AttachFailsWhenTheCadIsGoneOrHasNoDocument) {
    Trace trace;
    FakeCad cad(trace);
    FakeWindow window(trace);
    try {
        attachCad(u"Tabrova.NoSuchCad", window);
        ADD_FAILURE() << "attached to nothing";
    } catch (const automation::AutomationError& e) {
        // Where the system does not know the ProgID at all, its own error comes first.
        if (e.code() != automation::errors::invalidClassString) {
            EXPECT_EQ(e.code(), automation::errors::operationUnavailable);
            EXPECT_NE(e.message().find(u"Tabrova.NoSuchCad"), std::u16string::npos);
        }
    }
    cad.hasDocument = false;
    RunningCad running(std::u16string(kProgId), cad);
    EXPECT_THROW(attachCad(kProgId, window), automation::AutomationError);
}

TEST(CadConnection, WaitPollsTheFamilysStateUntilQuiescent) {
    struct Case {
        std::u16string progId;
        int busyPolls;
        std::int32_t ms;
        const char* stateMember;
    };
    const Case cases[] = {
        {u"BricscadApp.AcadApplication", 0, 200, "app.GetAcadState()"},
        {u"gcad.application", 2, 200, "app.GetGcadState()"},
        {u"ZWCAD.Application.2024", 1, 50, "app.GetZcadState()"},
        {u"ZW.Application", 0, 200, "app.GetAcadState()"},
        {u"ZWCAD.GCAD", 0, 200, "app.GetGcadState()"},
    };
    for (const Case& c : cases) {
        Trace trace;
        FakeCad cad(trace);
        FakeWindow window(trace);
        cad.busyPolls = c.busyPolls;
        waitCadQuiescent(*cad.application(), c.ms, c.progId, window);

        Trace expected{"win.Sleep(" + std::to_string(c.ms) + ")"};
        for (int poll = 0; poll <= c.busyPolls; ++poll) {
            if (poll > 0) expected.push_back(expected.front());
            expected.push_back(c.stateMember);
            expected.push_back("state.IsQuiescent");
        }
        expected.push_back(expected.front());
        EXPECT_EQ(trace, expected);
        EXPECT_EQ(window.clockMs, static_cast<std::uint64_t>((c.busyPolls + 2) * c.ms));
    }
}

}  // namespace
}  // namespace tabrova::cad
