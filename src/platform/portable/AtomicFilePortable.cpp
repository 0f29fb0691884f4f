#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/AtomicFile.h"

namespace tabrova::platform {
namespace {

std::string systemReason(int err) { return std::strerror(err); }

// The file a path names: the final target of a chain of symbolic links (the links stay), the path
// itself otherwise.
std::filesystem::path resolveLinks(const std::filesystem::path& path) {
    std::filesystem::path resolved = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!std::filesystem::is_symlink(resolved, ec)) return resolved;
        const std::filesystem::path target = std::filesystem::read_symlink(resolved, ec);
        if (ec) return resolved;
        resolved = target.is_absolute() ? target : resolved.parent_path() / target;
    }
    throw FileError(path, systemReason(ELOOP));
}

// Makes the rename itself durable: without this a crash can leave the old name pointing at the
// old file, or at nothing.
void syncFolder(const std::filesystem::path& file) {
    const std::filesystem::path folder =
        file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

void saveFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    const std::filesystem::path target = resolveLinks(path);
    std::error_code ec;
    if (std::filesystem::is_directory(target, ec)) throw FileError(path, systemReason(EISDIR));
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    // The system decides whether this process may write the file (root may, whatever the mode
    // bits say); the rename would otherwise bypass a protection the system applies.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        throw FileError(path, systemReason(errno) + " (the file is read-only)");
    }

    std::string tmpl = target.string() + ".tmp-XXXXXX";
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) throw FileError(path, systemReason(errno));

    auto fail = [&](int err) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        throw FileError(path, systemReason(err));
    };
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    const std::optional<std::size_t> diskFullAfter = detail::diskFullAfter();
    while (left > 0) {
        std::size_t chunk = left;
        if (diskFullAfter) {
            const auto written = static_cast<std::size_t>(p - bytes.data());
            if (written >= *diskFullAfter) fail(ENOSPC);
            chunk = std::min(chunk, *diskFullAfter - written);
        }
        const ssize_t n = ::write(fd, p, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    if (exists) {
        // The replacement keeps the replaced file's permission bits and, as far as this process
        // may give them, its owner and group: a private settings file stays private.
        if (::fchown(fd, st.st_uid, st.st_gid) != 0)
            (void)::fchown(fd, static_cast<uid_t>(-1), st.st_gid);
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        // mkstemp creates the file with mode 0600; give it the usual mode of a new file.
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    // After the mode and owner, so that what reaches the disk is the finished file.
    if (::fsync(fd) != 0) fail(errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw FileError(path, systemReason(err));
    }
    if (::rename(tmpl.c_str(), target.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw FileError(path, systemReason(err));
    }
    syncFolder(target);
}

}  // namespace tabrova::platform
