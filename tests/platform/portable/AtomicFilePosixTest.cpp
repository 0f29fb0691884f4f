// What a replacement keeps of the file it replaces on POSIX systems: its mode, its owner, and a
// symbolic link that led to it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace tabrova::platform {
namespace {

class AtomicFilePosix : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("tabrova-posix-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    static struct stat statOf(const fs::path& path) {
        struct stat st {};
        EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
        return st;
    }
    fs::path dir;
};

TEST_F(AtomicFilePosix, KeepsTheReplacedFilesModeAndOwner) {
    for (mode_t mode : {mode_t{0600}, mode_t{0640}, mode_t{0664}, mode_t{0755}}) {
        const fs::path file = dir / ("settings-" + std::to_string(mode) + ".ini");
        saveFileAtomically(file, "old");
        ASSERT_EQ(::chmod(file.c_str(), mode), 0);
        // Root can hand the file to another owner; the replacement must keep that owner.
        const bool root = ::geteuid() == 0;
        if (root) {
            ASSERT_EQ(::chown(file.c_str(), 65534, 65534), 0);
        }
        saveFileAtomically(file, "new");
        const struct stat st = statOf(file);
        EXPECT_EQ(st.st_mode & 07777, mode) << std::oct << mode;
        if (root) {
            EXPECT_EQ(st.st_uid, 65534u);
            EXPECT_EQ(st.st_gid, 65534u);
        }
        EXPECT_EQ(readWholeFile(file), "new");
    }
}

TEST_F(AtomicFilePosix, ReplacesTheTargetOfASymbolicLinkAndKeepsTheLink) {
    fs::create_directories(dir / "real");
    saveFileAtomically(dir / "real" / "tabrova.ini", "old");
    fs::create_symlink("real/tabrova.ini", dir / "tabrova.ini");
    fs::create_symlink(dir / "tabrova.ini", dir / "second-link.ini");
    fs::create_symlink("real/new.dxf", dir / "dangling.dxf");

    saveFileAtomically(dir / "second-link.ini", "through two links");
    saveFileAtomically(dir / "dangling.dxf", "a new file where the link points");

    EXPECT_TRUE(fs::is_symlink(dir / "tabrova.ini"));
    EXPECT_TRUE(fs::is_symlink(dir / "second-link.ini"));
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.dxf"));
    EXPECT_EQ(readWholeFile(dir / "real" / "tabrova.ini"), "through two links");
    EXPECT_EQ(readWholeFile(dir / "real" / "new.dxf"), "a new file where the link points");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir / "real"), fs::directory_iterator()), 2)
        << "no temporary file left";
}

TEST_F(AtomicFilePosix, ALoopOfLinksIsAnErrorNamingThePath) {
    fs::create_symlink("b.ini", dir / "a.ini");
    fs::create_symlink("a.ini", dir / "b.ini");
    try {
        saveFileAtomically(dir / "a.ini", "x");
        FAIL() << "saved through a loop";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), dir / "a.ini");
    }
}

}  // namespace
}  // namespace tabrova::platform
