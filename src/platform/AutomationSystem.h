// What each system provides behind the running-object registry of Automation.h. The common code
// answers stand-ins and refused ProgIDs first and asks these only for the rest.
#pragma once

#include <string>
#include <string_view>

#include "platform/Automation.h"

namespace tabrova::automation {

// The registry key of a ProgID: ASCII letters lower-cased, a trailing version number dropped
// ("Excel.Application.16" gives "excel.application").
std::u16string normalizeProgId(std::u16string_view progId);

// Class identifiers of stand-ins are this prefix followed by the registry key.
inline constexpr std::u16string_view standInClassPrefix = u"standin:";

}  // namespace tabrova::automation

namespace tabrova::automation::system {

void initialize();
// Whether other programs (a spreadsheet application) can be reached through this registry.
bool reachesOtherPrograms();
// Throws AutomationError when the ProgID is not registered with the system.
ClassId classIdFromProgId(std::u16string_view progId);
// nullptr when no instance of the class runs.
ObjectPtr activeObject(const ClassId& classId);

}  // namespace tabrova::automation::system
