// Whole-file replacement that never leaves a half-written file behind.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tabrova::platform {

// A file that could not be read or written: names the file and the system's reason.
class FileError : public std::runtime_error {
public:
    FileError(std::filesystem::path path, std::string reason);
    const std::filesystem::path& path() const { return path_; }
    // The system's reason, in UTF-8 (for example "Permission denied").
    const std::string& reason() const { return reason_; }

private:
    std::filesystem::path path_;
    std::string reason_;
};

// Writes the bytes to a temporary file in the target's folder, flushes it to disk and renames it
// over the target. On any failure the temporary file is removed, the previous file stays as it
// was, and FileError is thrown. A read-only file is not replaced (the rename would otherwise
// bypass its protection on POSIX systems; Windows refuses it by itself).
void saveFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// For tests: while an object of this class lives, saveFileAtomically fails as on a full disk
// (ENOSPC, ERROR_DISK_FULL) once `afterBytes` bytes of the new file are written.
class ScopedDiskFull {
public:
    explicit ScopedDiskFull(std::size_t afterBytes = 0);
    ~ScopedDiskFull();
    ScopedDiskFull(const ScopedDiskFull&) = delete;
    ScopedDiskFull& operator=(const ScopedDiskFull&) = delete;
};

namespace detail {
// How many more bytes the injected full disk takes; nullopt without one.
std::optional<std::size_t> diskFullAfter();
}  // namespace detail

// Reads a whole file. Throws FileError when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

}  // namespace tabrova::platform
