#include "platform/AtomicFile.h"

#include <fstream>
#include <system_error>

namespace tabrova::platform {

FileError::FileError(std::filesystem::path path, std::string reason)
    : std::runtime_error(reinterpret_cast<const char*>(path.u8string().c_str()) + std::string(": ") +
                         reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

namespace {
std::optional<std::size_t> g_diskFullAfter;
}

ScopedDiskFull::ScopedDiskFull(std::size_t afterBytes) { g_diskFullAfter = afterBytes; }
ScopedDiskFull::~ScopedDiskFull() { g_diskFullAfter.reset(); }
std::optional<std::size_t> detail::diskFullAfter() { return g_diskFullAfter; }

std::string readWholeFile(const std::filesystem::path& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw FileError(path, "Is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const std::error_code why(errno, std::generic_category());
        throw FileError(path, why.value() ? why.message() : "cannot be opened");
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw FileError(path, "read error");
    return bytes;
}

}  // namespace tabrova::platform
