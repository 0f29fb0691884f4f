// Without a system registry of automation servers, every ProgID counts as registered; an instance
// runs only when a stand-in registers under it.
#include "platform/AutomationSystem.h"

namespace tabrova::automation::system {

void initialize() {}

bool reachesOtherPrograms() { return false; }

ClassId classIdFromProgId(std::u16string_view progId) {
    return ClassId{std::u16string(standInClassPrefix) + normalizeProgId(progId)};
}

ObjectPtr activeObject(const ClassId&) { return nullptr; }

}  // namespace tabrova::automation::system
