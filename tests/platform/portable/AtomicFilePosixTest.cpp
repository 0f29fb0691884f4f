// What a replacement keeps of the file it replaces on POSIX systems: its mode, its owner, and a
// symbolic link that led to it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
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

// Named pipes, sockets and devices: neither read (a pipe would block for ever) nor replaced.
TEST_F(AtomicFilePosix, SpecialFilesAreNeitherReadNorReplaced) {
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = (dir / "socket").string();
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink(dir / "pipe", dir / "link-to-pipe");
    const struct {
        fs::path path;
        const char* kind;
    } cases[] = {
        {dir / "pipe", "(a named pipe)"},
        {dir / "link-to-pipe", "(a named pipe)"},
        {dir / "socket", "(a socket)"},
        {"/dev/null", "(a character device)"},
    };
    for (const auto& c : cases) {
        const fs::file_type before = fs::status(c.path).type();
        for (auto action : {+[](const fs::path& p) { saveFileAtomically(p, "x"); },
                            +[](const fs::path& p) { (void)readWholeFile(p); }}) {
            try {
                action(c.path);
                ADD_FAILURE() << c.path << " was used";
            } catch (const FileError& e) {
                EXPECT_EQ(e.path(), c.path);
                EXPECT_EQ(e.reason(), std::string("not a regular file ") + c.kind);
            }
        }
        EXPECT_EQ(fs::status(c.path).type(), before) << c.path;
    }
    ::close(sock);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 3);
}

TEST_F(AtomicFilePosix, AFileLargerThanTheLimitIsNotRead) {
    saveFileAtomically(dir / "big", std::string(11, 'x'));
    EXPECT_EQ(readWholeFile(dir / "big", 11), std::string(11, 'x'));
    try {
        (void)readWholeFile(dir / "big", 10);
        ADD_FAILURE();
    } catch (const FileError& e) {
        EXPECT_EQ(e.reason(), "too large (1 MiB; the limit is 1 MiB)");
    }
}

// Staged files replace their targets all together, or not at all, also when the process is
// ended by a signal while they are staged.
TEST_F(AtomicFilePosix, ReplacementsAreAllOrNothing) {
    const fs::path a = dir / "a.dxf", b = dir / "b.json";
    saveFileAtomically(a, "old a");
    saveFileAtomically(b, "old b");
    auto contents = [&] { return readWholeFile(a) + "|" + readWholeFile(b); };
    auto entries = [&] {
        return std::distance(fs::directory_iterator(dir), fs::directory_iterator());
    };
    {
        FileReplacements outputs;
        outputs.stage(a, "new a");
        EXPECT_THROW(outputs.stage(dir / "missing" / "c.png", "c"), FileError);
        outputs.stage(b, "new b");
        EXPECT_EQ(contents(), "old a|old b");
        EXPECT_EQ(entries(), 4);  // two temporaries beside the targets
    }
    EXPECT_EQ(contents(), "old a|old b");
    EXPECT_EQ(entries(), 2);

    for (int sig : {SIGINT, SIGTERM}) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FileReplacements outputs;
            outputs.stage(a, "new a");
            outputs.stage(b, "new b");
            ::raise(sig);
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(contents(), "old a|old b");
        EXPECT_EQ(entries(), 2) << sig;
    }

    FileReplacements outputs;
    outputs.stage(a, "new a");
    outputs.stage(b, "new b");
    outputs.commit();
    EXPECT_EQ(contents(), "new a|new b");
    EXPECT_EQ(entries(), 2);
}

}  // namespace
}  // namespace tabrova::platform
