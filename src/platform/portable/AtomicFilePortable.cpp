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

}  // namespace

void saveFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) throw FileError(path, systemReason(EISDIR));
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
        (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) {
        throw FileError(path, systemReason(EACCES) + " (the file is read-only)");
    }

    std::string tmpl = path.string() + ".tmp-XXXXXX";
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
    if (::fsync(fd) != 0) fail(errno);
    // mkstemp creates the file with mode 0600; give it the usual mode of a new file.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw FileError(path, systemReason(err));
    }
    if (::rename(tmpl.c_str(), path.c_str()) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        throw FileError(path, systemReason(err));
    }
}

}  // namespace tabrova::platform
