// The ways saving a file can fail, set up for a test of one of the program's writers: a folder
// that cannot be written (a path through a regular file; a folder without write permission,
// which a process running as root cannot be denied and so skips), a full disk (injected, before
// the first byte and midway), a directory at the file's path and a read-only file (skipped
// likewise where the process may write it all the same). Each case
// that allows one keeps a previous file at the path, which the failed save must leave intact.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/AtomicFile.h"

namespace tabrova::testing {

enum class FileFault {
    folderUnderFile,
    folderNotWritable,
    diskFull,
    diskFullMidway,
    pathIsDirectory,
    readOnlyFile,
};

inline const FileFault kFileFaults[] = {FileFault::folderUnderFile, FileFault::folderNotWritable,
                                        FileFault::diskFull,        FileFault::diskFullMidway,
                                        FileFault::pathIsDirectory, FileFault::readOnlyFile};

inline std::string fileFaultName(FileFault fault) {
    switch (fault) {
        case FileFault::folderUnderFile:
            return "FolderUnderARegularFile";
        case FileFault::folderNotWritable:
            return "FolderNotWritable";
        case FileFault::diskFull:
            return "DiskFull";
        case FileFault::diskFullMidway:
            return "DiskFullMidway";
        case FileFault::pathIsDirectory:
            return "PathIsADirectory";
        case FileFault::readOnlyFile:
            return "ReadOnlyFile";
    }
    return "?";
}

inline std::string readFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One fault set up in a folder; undone (permissions restored, injection ended) on destruction.
class PreparedFileFault {
public:
    // The fault for a file `fileName` in `dir`; `previous` is the content of the previous file
    // where the case has one. skipReason() is set when the case cannot be made here.
    PreparedFileFault(FileFault fault, const std::filesystem::path& dir,
                      const std::string& fileName, std::string_view previous)
        : fault_(fault), folder_(dir) {
        namespace fs = std::filesystem;
        target_ = dir / fileName;
        auto writePrevious = [&] {
            std::ofstream(target_, std::ios::binary) << previous;
            previous_ = std::string(previous);
        };
        switch (fault) {
            case FileFault::folderUnderFile:
                std::ofstream(dir / "plain-file") << "x";
                folder_ = dir / "plain-file";
                target_ = folder_ / fileName;
                break;
            case FileFault::folderNotWritable:
                writePrevious();
                fs::permissions(dir, fs::perms::owner_write | fs::perms::group_write |
                                         fs::perms::others_write,
                                fs::perm_options::remove);
                restorePermissions_ = true;
                // Root (and Windows, where a folder's read-only flag does not stop new files)
                // still writes there: then the case cannot be set up.
                if (std::ofstream(dir / "probe")) {
                    fs::remove(dir / "probe");
                    skip_ = "this process can write into a folder without write permission";
                    return;
                }
                break;
            case FileFault::diskFull:
                writePrevious();
                diskFull_ = std::make_unique<platform::ScopedDiskFull>(0);
                break;
            case FileFault::diskFullMidway:
                writePrevious();
                diskFull_ = std::make_unique<platform::ScopedDiskFull>(100);
                break;
            case FileFault::pathIsDirectory:
                fs::create_directories(target_ / "inside");
                break;
            case FileFault::readOnlyFile:
                writePrevious();
                fs::permissions(target_,
                                fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                                fs::perm_options::replace);
                // Root writes a read-only file as well, and the save goes by what the system allows.
                if (std::ofstream(target_, std::ios::app)) {
                    skip_ = "this process can write a read-only file";
                    return;
                }
                break;
        }
    }
    ~PreparedFileFault() {
        diskFull_.reset();
        std::error_code ec;
        if (restorePermissions_)
            std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ec);
        if (fault_ == FileFault::readOnlyFile)
            std::filesystem::permissions(target_, std::filesystem::perms::owner_write,
                                         std::filesystem::perm_options::add, ec);
    }
    PreparedFileFault(const PreparedFileFault&) = delete;
    PreparedFileFault& operator=(const PreparedFileFault&) = delete;

    const std::filesystem::path& target() const { return target_; }
    const std::string& skipReason() const { return skip_; }

    // Ends the injected full disk, so that the test can check the program goes on.
    void clearDiskFull() { diskFull_.reset(); }

    // The failed save named the file and gave a reason.
    void expectReported(const platform::FileError& e) const {
        EXPECT_EQ(e.path(), target_);
        EXPECT_FALSE(e.reason().empty());
        EXPECT_NE(std::string(e.what()).find(target_.filename().string()), std::string::npos)
            << e.what();
    }

    // What stood at the path is as it was, and no temporary file is left beside it.
    void expectUntouched() const {
        namespace fs = std::filesystem;
        if (previous_) {
            EXPECT_EQ(readFileBytes(target_), *previous_);
        } else if (fault_ == FileFault::pathIsDirectory) {
            EXPECT_TRUE(fs::is_directory(target_ / "inside"));
        } else {
            EXPECT_FALSE(fs::exists(target_));
        }
        std::error_code ec;
        if (fs::is_directory(folder_, ec)) {
            for (const auto& entry : fs::directory_iterator(folder_)) {
                EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos)
                    << entry.path();
            }
        }
    }

private:
    FileFault fault_;
    std::filesystem::path folder_;
    std::filesystem::path target_;
    std::optional<std::string> previous_;
    std::unique_ptr<platform::ScopedDiskFull> diskFull_;
    bool restorePermissions_ = false;
    std::string skip_;
};

}  // namespace tabrova::testing
