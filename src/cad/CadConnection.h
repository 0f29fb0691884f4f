// Finding the running target CAD by its ProgID, taking hold of it and waiting until it is idle.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/Automation.h"
#include "platform/WindowOps.h"

namespace tabrova::cad {

// ASCII letters upper-cased, everything else unchanged: CAD families are told by words in the
// upper-cased ProgID.
std::u16string upperAscii(std::u16string_view text);

// True when an instance of the ProgID's application is running. Throws AutomationError when the
// ProgID is not registered.
bool isCadRunning(std::u16string_view targetProgID);

struct CadSession {
    automation::ObjectPtr app;
    automation::ObjectPtr doc;  // the application's active document
};

// Takes hold of the running CAD, restores its main window when minimised, brings it to the front
// and, when it is in front, sends it one Escape key so that a command in progress is cancelled.
// Throws AutomationError when the CAD is gone or a call fails.
CadSession attachCad(std::u16string_view targetProgID, platform::WindowOps& window);

// Waits ms, polls the family's state object every ms until IsQuiescent is true, then waits ms
// again. There is no limit: the CAD stays busy as long as its user has a command running.
void waitCadQuiescent(automation::Object& app, std::int32_t ms, std::u16string_view targetProgID,
                      platform::WindowOps& window);

}  // namespace tabrova::cad
