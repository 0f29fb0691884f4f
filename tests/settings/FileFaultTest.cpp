// The settings file and the target CAD list when saving fails: every fault names the file and
// the reason, leaves the previous file (and the list in memory) as it was, and the program goes
// on saving elsewhere.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/FileFaults.h"
#include "settings/Settings.h"
#include "settings/TargetCadList.h"
#include "settings/TempFolder.h"

namespace tabrova {
namespace {

using testing::FileFault;
using testing::PreparedFileFault;

class SettingsFileFaultTest : public testing::TempFolderTest,
                              public ::testing::WithParamInterface<FileFault> {};

TEST_P(SettingsFileFaultTest, SettingsSaveNamesTheFileAndKeepsThePreviousOne) {
    const std::string previous =
        "; kept\r\n[Varnekto]\r\ncolXsc=5\r\nrowYsc=4\r\ncadXsc=2\r\ncadYsc=0.5\r\ncadTsc=0.3\r\n"
        "cadTof=1\r\n\r\n[Target]\r\nProgID=AutoCAD.Application\r\nExcelPID=Excel.Application\r\n";
    PreparedFileFault fault(GetParam(), dir, "tabrova.ini", previous);
    if (!fault.skipReason().empty()) GTEST_SKIP() << fault.skipReason();

    WorkingSettings changed;
    changed.colXsc = 42;
    changed.targetProgID = u"図面.Application";
    try {
        saveSettings(fault.target(), changed, u'.', 932);
        FAIL() << "expected FileError";
    } catch (const platform::FileError& e) {
        fault.expectReported(e);
    }
    fault.expectUntouched();

    fault.clearDiskFull();
    const auto sound = dir / "sound.ini";
    saveSettings(sound, changed, u'.', 932);
    EXPECT_EQ(loadSettings(sound, u'.', 932), changed);
}

TEST_P(SettingsFileFaultTest, TargetListEditNamesTheFileAndKeepsListAndFile) {
    const std::string previous =
        "AutoCAD 2020\tAutoCAD.Application.23.1\r\nBricsCAD V23\tBricscadApp.AcadApplication.23\r\n"
        "IJCAD\tIJCAD.Application\r\nZWCAD\tZWCAD.Application\r\n";
    PreparedFileFault fault(GetParam(), dir, "TargetCAD_APIVersion.txt", previous);
    if (!fault.skipReason().empty()) GTEST_SKIP() << fault.skipReason();

    TargetCadList list(fault.target(), 932);
    if (std::filesystem::is_regular_file(fault.target())) {
        list.reload(u"IJCAD.Application");
        ASSERT_EQ(list.size(), 4u);
    }
    const auto lines = list.lines();
    const auto selected = list.selected();
    for (int edit = 0; edit < 3; ++edit) {
        try {
            if (edit == 0) list.add(u"新しい CAD", u"New.Application");
            if (edit == 1 && !list.remove()) continue;
            if (edit == 2 && !list.change(u"X", u"x")) continue;
            FAIL() << "expected FileError from edit " << edit;
        } catch (const platform::FileError& e) {
            fault.expectReported(e);
        }
        EXPECT_EQ(list.lines(), lines);
        EXPECT_EQ(list.selected(), selected);
        fault.expectUntouched();
    }

    fault.clearDiskFull();
    TargetCadList sound(dir / "sound.txt", 932);
    sound.add(u"新しい CAD", u"New.Application");
    EXPECT_EQ(readTargetCadLines(dir / "sound.txt", 932),
              std::vector<std::u16string>{u"新しい CAD\tNew.Application"});
}

INSTANTIATE_TEST_SUITE_P(Faults, SettingsFileFaultTest, ::testing::ValuesIn(testing::kFileFaults),
                         [](const auto& info) { return testing::fileFaultName(info.param); });

}  // namespace
}  // namespace tabrova
