#include <gtest/gtest.h>

#include <filesystem>

#include "platform/AtomicFile.h"

namespace fs = std::filesystem;

namespace tabrova::platform {
namespace {

class AtomicFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            fs::temp_directory_path() /
            ("tabrova-atomic-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(dir, ec);
    }
    fs::path dir;
};

TEST_F(AtomicFileTest, ReplacesContentAndLeavesNoTemporaryFile) {
    const fs::path file = dir / "out.dxf";
    saveFileAtomically(file, "first");
    saveFileAtomically(file, "second\r\n");
    EXPECT_EQ(readWholeFile(file), "second\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

TEST_F(AtomicFileTest, ADirectoryAtThePathIsAnErrorNamingIt) {
    const fs::path target = dir / "taken";
    fs::create_directories(target);
    try {
        saveFileAtomically(target, "x");
        FAIL() << "expected FileError";
    } catch (const FileError& e) {
        EXPECT_EQ(e.path(), target);
        EXPECT_NE(std::string(e.what()).find("taken"), std::string::npos);
    }
}

TEST_F(AtomicFileTest, MissingFolderFailsAndReadOfMissingFileFails) {
    EXPECT_THROW(saveFileAtomically(dir / "no" / "such" / "f.txt", "x"), FileError);
    EXPECT_THROW(readWholeFile(dir / "absent.txt"), FileError);
}

// The pieces a producer hands on make up the file; a producer that fails leaves the previous
// file and no temporary.
TEST_F(AtomicFileTest, ProducedFileIsItsPiecesInOrder) {
    const fs::path file = dir / "out.dxf";
    saveFileAtomically(file, [](const ByteWriter& write) {
        write("first ");
        write("");
        write("second");
    });
    EXPECT_EQ(readWholeFile(file), "first second");
    EXPECT_THROW(saveFileAtomically(file,
                                    [](const ByteWriter& write) {
                                        write("half a file");
                                        throw std::runtime_error("no more");
                                    }),
                 std::runtime_error);
    EXPECT_EQ(readWholeFile(file), "first second");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace tabrova::platform
