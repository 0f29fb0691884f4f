#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/ProgramPaths.h"
#include "settings/ProgramFiles.h"
#include "settings/Settings.h"

namespace tabrova {
namespace {

using ProgramFilesTest = testing::TempFolderTest;

TEST_F(ProgramFilesTest, WritableExecutableFolderHoldsAllThreeFiles) {
    std::filesystem::create_directories(dir / "bin");
    std::filesystem::create_directories(dir / "config");
    // A settings file in the configuration folder must not be read while the executable's folder
    // is writable.
    writeBytes(dir / "config" / "Tabrova.ini", "[Varnekto]\r\ncolXsc=99\r\n");

    ProgramFilesProbe probe;
    probe.userConfigFolder = [&] { return dir / "config"; };
    const ProgramFiles files = locateProgramFiles(dir / "bin" / "Tabrova.exe", probe);
    EXPECT_FALSE(files.inUserConfigFolder);
    EXPECT_EQ(files.folder, dir / "bin");
    EXPECT_EQ(files.settingsFile, dir / "bin" / "Tabrova.ini");
    EXPECT_EQ(files.dxfFile, dir / "bin" / "Tabrova.dxf");
    EXPECT_EQ(files.targetListFile, dir / "bin" / "TargetCAD_APIVersion.txt");
    EXPECT_EQ(loadSettings(files.settingsFile, u'.').colXsc, 20);
}

TEST_F(ProgramFilesTest, UnwritableExecutableFolderMovesAllFilesToTheConfigFolder) {
    ProgramFilesProbe probe;
    std::filesystem::path asked;
    probe.isFolderWritable = [&](const std::filesystem::path& folder) {
        asked = folder;
        return false;
    };
    probe.userConfigFolder = [&] { return dir / "home" / ".config" / "tabrova"; };
    // Asking where the files lie creates nothing: tabrova-dxf asks it for its default settings
    // file and leaves the user's folders as they are. Only the desktop program's start-up makes
    // the folder.
    const ProgramFiles planned = programFilesFor("/usr/bin/tabrova", probe);
    EXPECT_FALSE(std::filesystem::exists(dir / "home"));
    const ProgramFiles files = locateProgramFiles("/usr/bin/tabrova", probe);
    EXPECT_EQ(asked, std::filesystem::path("/usr/bin"));
    EXPECT_TRUE(files.inUserConfigFolder);
    const auto config = dir / "home" / ".config" / "tabrova";
    EXPECT_TRUE(std::filesystem::is_directory(config));
    EXPECT_TRUE(planned.inUserConfigFolder);
    EXPECT_EQ(planned.settingsFile, files.settingsFile);
    EXPECT_EQ(files.settingsFile, config / "tabrova.ini");
    EXPECT_EQ(files.dxfFile, config / "tabrova.dxf");
    EXPECT_EQ(files.targetListFile, config / "TargetCAD_APIVersion.txt");
}

// An installed program (PREFIX/bin beside the marker the install rules put into PREFIX/share)
// keeps its files in the configuration folder even where it could write beside itself: root, or
// a prefix of the user's own such as ~/.local.
TEST_F(ProgramFilesTest, InstalledPrefixKeepsTheFilesInTheConfigFolder) {
    struct Case {
        const char* executableFolder;
        bool marker;
        bool inUserConfigFolder;
    };
    const Case cases[] = {
        {"usr/bin", true, true},
        {"usr/bin", false, false},
        {"portable", true, false},  // the marker counts only beside a bin folder
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.executableFolder) + (c.marker ? " with marker" : ""));
        std::filesystem::remove_all(dir / "root");
        const auto folder = dir / "root" / c.executableFolder;
        std::filesystem::create_directories(folder);
        if (c.marker) {
            std::filesystem::create_directories((folder / kInstalledMarker).parent_path());
            writeBytes(folder / kInstalledMarker, "");
        }
        ProgramFilesProbe probe;
        probe.userConfigFolder = [&] { return dir / "config"; };
        EXPECT_EQ(keepsFilesInUserConfigFolder(folder, probe), c.inUserConfigFolder);
        const ProgramFiles files = locateProgramFiles(folder / "tabrova", probe);
        EXPECT_EQ(files.inUserConfigFolder, c.inUserConfigFolder);
        EXPECT_EQ(files.settingsFile,
                  (c.inUserConfigFolder ? dir / "config" : folder) / "tabrova.ini");
    }
}

TEST_F(ProgramFilesTest, WritabilityProbeLeavesNothingBehind) {
    EXPECT_TRUE(platform::isFolderWritable(dir));
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    EXPECT_FALSE(platform::isFolderWritable(dir / "absent"));
    writeBytes(dir / "file", "");
    EXPECT_FALSE(platform::isFolderWritable(dir / "file"));
}

TEST(ProgramPathsTest, ExecutablePathIsThisTestProgram) {
    const auto self = platform::executablePath();
    EXPECT_TRUE(self.is_absolute());
    EXPECT_EQ(self.stem(), "test_settings");
}

}  // namespace
}  // namespace tabrova
