// Whole-file replacement that never leaves a half-written file behind.
#pragma once

#include <filesystem>
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
// was, and FileError is thrown.
void saveFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Reads a whole file. Throws FileError when it cannot be read.
std::string readWholeFile(const std::filesystem::path& path);

}  // namespace tabrova::platform
