#include <gtest/gtest.h>

#include "platform/Automation.h"
#include "platform/AutomationSystem.h"

namespace tabrova::automation {
namespace {

struct NoMembers : Object {
    Variant get(std::u16string_view, std::span<const Variant>) override { return {}; }
    Variant call(std::u16string_view, std::span<const Variant>) override { return {}; }
};

TEST(Registry, UnknownProgIdIsNotRunningAndCanBeRefused) {
    // Without COM the name counts as registered; with COM it is not registered. Not running
    // either way.
    ObjectPtr found;
    try {
        found = activeObject(classIdFromProgId(u"Nobody.Runs.This"));
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::invalidClassString);
    }
    EXPECT_EQ(found, nullptr);

    // A stand-in that starts after its class was looked up is found by that class.
    const auto app = std::make_shared<NoMembers>();
    registerStandIn(u"Nobody.Runs.This", app);
    const ClassId id = classIdFromProgId(u"Nobody.Runs.This");
    unregisterStandIn(u"Nobody.Runs.This");
    EXPECT_EQ(activeObject(id), nullptr);
    registerStandIn(u"Nobody.Runs.This", app);
    EXPECT_EQ(activeObject(id), app);

    setProgIdRefused(u"Nobody.Runs.This", true);
    EXPECT_EQ(activeObject(classIdFromProgId(u"nobody.runs.this")), app);  // stand-in first
    unregisterStandIn(u"Nobody.Runs.This");
    try {
        classIdFromProgId(u"Nobody.Runs.This.2");
        ADD_FAILURE() << "refused ProgID resolved";
    } catch (const AutomationError& e) {
        EXPECT_EQ(e.code(), errors::invalidClassString);
    }
    setProgIdRefused(u"Nobody.Runs.This", false);
    EXPECT_NO_THROW(classIdFromProgId(u"Nobody.Runs.This"));
    EXPECT_THROW(classIdFromProgId(u""), AutomationError);
}

}  // namespace
}  // namespace tabrova::automation
