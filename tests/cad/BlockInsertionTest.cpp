#include <gtest/gtest.h>

#include <fstream>

#include "FakeCad.h"
#include "cad/BlockInsertion.h"

namespace tabrova::cad {
namespace {

using fake::Block;
using fake::Entity;
using fake::FakeCad;
using fake::FakeWindow;
using fake::only;
using fake::RunningCad;
using fake::Trace;

const std::filesystem::path kDxf = std::filesystem::path("Tools") / "Tabrova.dxf";
const std::u16string kReference(kBlockReferenceEntity);

TEST(BlockInsertion, CommandPieces) {
    EXPECT_EQ(kInsertBlockStart.size(), 20u);
    EXPECT_EQ(kInsertExplodedStart.size(), 21u);
    EXPECT_EQ(kScaleRotationFirstEnd.size(), 31u);
    EXPECT_EQ(kPointFirstEnd.size(), 23u);
    EXPECT_EQ(insertCommandLine(u"AutoCAD.Application", u"C:\\Tools\\Tabrova.dxf"),
              u"(command \"-INSERT\" \"C:\\\\Tools\\\\Tabrova.dxf\" \"S\" 1.0 \"R\" 0.0 "
              u"pause)(princ)\r");
    EXPECT_EQ(insertCommandLine(u"BricscadApp.AcadApplication", u"/opt/t/Tabrova.dxf"),
              u"(command \"-INSERT\" \"*/opt/t/Tabrova.dxf\" pause 1.0 0.0)(princ)\r");
}

TEST(BlockInsertion, PathBecomesALispString) {
    EXPECT_EQ(lispEscapedPath(u"C:\\Tools\\表\\Tabrova.dxf"), u"C:\\\\Tools\\\\表\\\\Tabrova.dxf");
    EXPECT_EQ(lispEscapedPath(u"\\\\server\\share\\a.dxf"), u"\\\\\\\\server\\\\share\\\\a.dxf");
    EXPECT_EQ(lispEscapedPath(u"/home/user/Tabrova.dxf"), u"/home/user/Tabrova.dxf");
    // A quote would end the string and let the rest of the path run as LISP.
    EXPECT_EQ(lispEscapedPath(u"/tmp/a\")(command \"ERASE.dxf"),
              u"/tmp/a\\\")(command \\\"ERASE.dxf");
    EXPECT_EQ(blockNameOf(kDxf), u"Tabrova");
}

TEST(BlockInsertion, FamilyDecidesCommandAndCleanUp) {
    struct Case {
        std::u16string progId;
        std::u16string_view start;
        std::u16string_view end;
        const char* waitState;  // nullptr: no wait
        bool explode;
        bool purge;
    };
    const Case cases[] = {
        {u"BricscadApp.AcadApplication", kInsertExplodedStart, kPointFirstEnd, nullptr, false,
         false},
        {u"AutoCAD.Application.24", kInsertBlockStart, kScaleRotationFirstEnd, "app.GetAcadState()",
         true, true},
        {u"ZWCAD.AutoCAD", kInsertBlockStart, kScaleRotationFirstEnd, "app.GetZcadState()", true,
         true},
        {u"gcad.application", kInsertBlockStart, kScaleRotationFirstEnd, "app.GetGcadState()", true,
         true},
        {u"ZWCAD.Application", kInsertExplodedStart, kScaleRotationFirstEnd, nullptr, false, false},
        {u"zwpcad.application", kInsertExplodedStart, kScaleRotationFirstEnd, nullptr, false,
         false},
        {u"PCAD.Application", kInsertExplodedStart, kPointFirstEnd, "app.GetAcadState()", false,
         true},
        {u"IJCAD.Application", kInsertExplodedStart, kPointFirstEnd, nullptr, false, false},
    };
    for (const Case& c : cases) {
        Trace trace;
        FakeCad cad(trace);
        FakeWindow window(trace);
        cad.lastEntity = Entity{kReference, u"Tabrova"};
        cad.blocks = {{u"Tabrova"}};
        insertDxfIntoCad(*cad.application(), *cad.application()->getObject(u"ActiveDocument"), kDxf,
                         c.progId, window);

        const std::u16string expected =
            std::u16string(c.start) + lispEscapedPath(kDxf) + std::u16string(c.end) + u"\r";
        ASSERT_EQ(cad.commands.size(), 1u);
        EXPECT_EQ(cad.commands[0], expected);
        const Trace waits = only(trace, "app.Get");
        EXPECT_EQ(waits, c.waitState ? Trace{c.waitState} : Trace{});
        EXPECT_EQ(only(trace, "win.Sleep").size(), c.waitState ? 2u : 0u);
        EXPECT_EQ(cad.lastEntity->exploded, c.explode);
        EXPECT_EQ(only(trace, "doc.SelectionSets").empty(), !c.explode);
        EXPECT_EQ(cad.blocks.empty(), c.purge);
    }
}

TEST(BlockInsertion, ExplodesOnlyTheNewReferenceAndDeletesTheSet) {
    struct Case {
        const char* what;
        std::optional<Entity> last;
        std::vector<std::u16string> sets;
        bool selectFails;
        bool exploded;
        std::vector<std::u16string> setsAfter;
    };
    const Case cases[] = {
        {"new reference", Entity{kReference, u"Tabrova"}, {}, false, true, {}},
        {"other block", Entity{kReference, u"Frame"}, {}, false, false, {}},
        {"name in other case", Entity{kReference, u"TABROVA"}, {}, false, false, {}},
        {"not a reference", Entity{u"AcDbLine", u"Tabrova"}, {}, false, false, {}},
        {"empty drawing", std::nullopt, {}, false, false, {}},
        {"set reused", Entity{kReference, u"Tabrova"}, {u"A", u"ssTemp"}, false, true, {u"A"}},
        {"set name differs in case", std::nullopt, {u"SSTEMP"}, false, false, {u"SSTEMP"}},
        {"select fails", Entity{kReference, u"Tabrova"}, {}, true, false, {u"ssTemp"}},
        {"explode fails", Entity{kReference, u"Tabrova", true}, {}, false, false, {}},
    };
    for (const Case& c : cases) {
        Trace trace;
        FakeCad cad(trace);
        cad.lastEntity = c.last;
        cad.selectionSets = c.sets;
        cad.selectFails = c.selectFails;
        const auto doc = cad.application()->getObject(u"ActiveDocument");

        EXPECT_EQ(explodeInsertedBlock(*doc, u"Tabrova"), c.exploded) << c.what;
        EXPECT_EQ(cad.selectionSets, c.setsAfter) << c.what;
        if (cad.lastEntity) {
            EXPECT_EQ(cad.lastEntity->deleted, c.exploded) << c.what;
        }
        const bool reused = std::find(c.sets.begin(), c.sets.end(), u"ssTemp") != c.sets.end();
        EXPECT_EQ(only(trace, "sets.Add").size(), reused ? 0u : 1u) << c.what;
        EXPECT_EQ(only(trace, "set.Clear").size(), reused ? 1u : 0u) << c.what;
        EXPECT_EQ(only(trace, "set.Select"),
                  Trace{"set.Select(4,[0,0,0],[0,0,0],<missing>,<missing>)"})
            << c.what;
    }
}

TEST(BlockInsertion, FailureToReachTheSelectionSetsIsNotSwallowed) {
    Trace trace;
    FakeCad cad(trace);
    cad.selectionSetsFail = true;
    EXPECT_THROW(explodeInsertedBlock(*cad.application()->getObject(u"ActiveDocument"), u"T"),
                 automation::AutomationError);
}

TEST(BlockInsertion, PurgeDeletesTheFirstDefinitionOfTheNameInAnyCase) {
    struct Case {
        const char* what;
        std::vector<Block> blocks;
        bool purged;
        std::vector<std::u16string> left;
    };
    const Case cases[] = {
        {"none", {}, false, {}},
        {"other case",
         {{u"*Model_Space"}, {u"tabrova"}, {u"Tabrova"}},
         true,
         {u"*Model_Space", u"Tabrova"}},
        {"in use stops the walk",
         {{u"TABROVA", true}, {u"Tabrova"}},
         false,
         {u"TABROVA", u"Tabrova"}},
        {"absent", {{u"Frame"}}, false, {u"Frame"}},
    };
    for (const Case& c : cases) {
        Trace trace;
        FakeCad cad(trace);
        cad.blocks = c.blocks;
        EXPECT_EQ(purgeBlock(*cad.application()->getObject(u"ActiveDocument"), u"Tabrova"),
                  c.purged)
            << c.what;
        std::vector<std::u16string> left;
        for (const Block& b : cad.blocks) left.push_back(b.name);
        EXPECT_EQ(left, c.left) << c.what;
        if (c.blocks.empty()) {
            EXPECT_TRUE(only(trace, "blocks.Item").empty());
        }
    }
}

class HandOff : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tabrova-cad-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
        dxf_ = dir_ / "Tabrova.dxf";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void writeDxf() { std::ofstream(dxf_) << "0\nEOF\n"; }

    std::filesystem::path dir_;
    std::filesystem::path dxf_;
    Trace trace_;
    FakeCad cad_{trace_};
    FakeWindow window_{trace_};
};

TEST_F(HandOff, NothingWithoutTheFile) {
    automation::setProgIdRefused(u"Tabrova.Refused", true);
    EXPECT_FALSE(handOffToCad(dxf_, u"Tabrova.Refused", window_));
    automation::setProgIdRefused(u"Tabrova.Refused", false);
    RunningCad running(u"AutoCAD.Application", cad_);
    EXPECT_FALSE(handOffToCad(dxf_, u"AutoCAD.Application", window_));
    EXPECT_TRUE(trace_.empty());
}

TEST_F(HandOff, NothingWhenNoCadRuns) {
    writeDxf();
    try {
        automation::classIdFromProgId(u"Tabrova.NotRunning");
    } catch (const automation::AutomationError&) {
        GTEST_SKIP() << "this system refuses ProgIDs that are not installed";
    }
    EXPECT_FALSE(handOffToCad(dxf_, u"Tabrova.NotRunning", window_));
    EXPECT_TRUE(trace_.empty());
}

TEST_F(HandOff, UnregisteredProgIdEndsWithItsErrorAndKeepsTheFile) {
    writeDxf();
    automation::setProgIdRefused(u"Tabrova.Refused", true);
    EXPECT_THROW(handOffToCad(dxf_, u"Tabrova.Refused", window_), automation::AutomationError);
    automation::setProgIdRefused(u"Tabrova.Refused", false);
    EXPECT_TRUE(std::filesystem::exists(dxf_));
    EXPECT_TRUE(trace_.empty());
}

TEST_F(HandOff, AttachesInsertsWaitsExplodesAndPurges) {
    writeDxf();
    cad_.busyPolls = 1;
    cad_.lastEntity = Entity{kReference, u"Tabrova"};
    cad_.blocks = {{u"*Model_Space"}, {u"Tabrova"}};
    RunningCad running(u"AutoCAD.Application", cad_);
    EXPECT_TRUE(handOffToCad(dxf_, u"AutoCAD.Application", window_));

    const Trace expected{
        "app.HWND",
        "win.IsIconic(10767)",
        "app.HWND",
        "win.SetForegroundWindow(10767)",
        "win.GetForegroundWindow",
        "app.HWND",
        "win.keybd_event(27,0,0,0)",
        "win.keybd_event(27,0,2,0)",
        "win.Sleep(5)",
        "app.ActiveDocument",
        "doc.SendCommand(" + fake::describe(insertCommandLine(u"AutoCAD.Application", dxf_)) + ")",
        "win.Sleep(200)",
        "app.GetAcadState()",
        "state.IsQuiescent",
        "win.Sleep(200)",
        "app.GetAcadState()",
        "state.IsQuiescent",
        "win.Sleep(200)",
        "doc.SelectionSets",
        "sets.Count",
        "sets.Add(\"ssTemp\")",
        "set.Select(4,[0,0,0],[0,0,0],<missing>,<missing>)",
        "set.Count",
        "set.Item(0)",
        "entity.EntityName",
        "entity.Name",
        "entity.Explode()",
        "entity.Delete()",
        "set.Delete()",
        "doc.Blocks",
        "blocks.Count",
        "blocks.Item(0)",
        "block.Name",
        "blocks.Item(1)",
        "block.Name",
        "block.Delete()"};
    EXPECT_EQ(trace_, expected);
    EXPECT_EQ(window_.clockMs, 5u + 600u);
}

TEST_F(HandOff, CadErrorsPropagateWithTheServersText) {
    writeDxf();
    cad_.sendCommandFails = true;
    RunningCad running(u"AutoCAD.Application", cad_);
    try {
        handOffToCad(dxf_, u"AutoCAD.Application", window_);
        ADD_FAILURE() << "no error";
    } catch (const automation::AutomationError& e) {
        EXPECT_EQ(e.message(), u"コマンドを受け付けません.");
    }
    EXPECT_TRUE(std::filesystem::exists(dxf_));
}

}  // namespace
}  // namespace tabrova::cad
