#include "platform/AtomicFile.h"

#include <fstream>
#include <system_error>

namespace tabrova::platform {

FileError::FileError(std::filesystem::path path, std::string reason)
    : std::runtime_error(reinterpret_cast<const char*>(path.u8string().c_str()) +
                         std::string(": ") + reason),
      path_(std::move(path)),
      reason_(std::move(reason)) {}

namespace {
std::optional<std::size_t> g_diskFullAfter;

std::string typeName(std::filesystem::file_type type) {
    switch (type) {
        case std::filesystem::file_type::character:
            return "a character device";
        case std::filesystem::file_type::block:
            return "a block device";
        case std::filesystem::file_type::fifo:
            return "a named pipe";
        case std::filesystem::file_type::socket:
            return "a socket";
        default:
            return "of an unknown kind";
    }
}

std::string mebibytes(std::uint64_t bytes) { return std::to_string((bytes + (1 << 20) - 1) >> 20); }
}  // namespace

ScopedDiskFull::ScopedDiskFull(std::size_t afterBytes) { g_diskFullAfter = afterBytes; }
ScopedDiskFull::~ScopedDiskFull() { g_diskFullAfter.reset(); }
std::optional<std::size_t> detail::diskFullAfter() { return g_diskFullAfter; }

void detail::refuseSpecialFile(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status) || std::filesystem::is_regular_file(status)) return;
    if (std::filesystem::is_directory(status)) throw FileError(path, "Is a directory");
    throw FileError(path, "not a regular file (" + typeName(status.type()) + ")");
}

void saveFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    FileReplacements replacement;
    replacement.stage(path, bytes);
    replacement.commit();
}

void saveFileAtomically(const std::filesystem::path& path, const ByteProducer& produce) {
    FileReplacements replacement;
    replacement.stage(path, produce);
    replacement.commit();
}

void FileReplacements::stage(const std::filesystem::path& path, std::string_view bytes) {
    stage(path, [bytes](const ByteWriter& write) { write(bytes); });
}

std::string readWholeFile(const std::filesystem::path& path, std::uint64_t maxBytes) {
    detail::refuseSpecialFile(path);
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    auto tooLarge = [&](std::uint64_t bytes) {
        return FileError(path, "too large (" + mebibytes(bytes) + " MiB; the limit is " +
                                   mebibytes(maxBytes) + " MiB)");
    };
    if (!ec && size > maxBytes) throw tooLarge(size);
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const std::error_code why(errno, std::generic_category());
        throw FileError(path, why.value() ? why.message() : "cannot be opened");
    }
    // Read to the end, not to the size seen before opening: the file may have grown since.
    std::string bytes(ec ? 0 : static_cast<std::size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    char buffer[1 << 16];
    while (in) {
        in.read(buffer, sizeof buffer);
        bytes.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (bytes.size() > maxBytes) throw tooLarge(bytes.size());
    }
    if (in.bad()) throw FileError(path, "read error");
    return bytes;
}

}  // namespace tabrova::platform
