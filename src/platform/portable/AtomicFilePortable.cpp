#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/AtomicFile.h"

namespace tabrova::platform {
namespace {

FileReason systemReason(int err) { return errnoReason(err); }

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

// The temporaries that exist, for removal when the process is interrupted or terminated. A
// fixed table of C strings that the signal handler can walk; changes to it happen with those
// signals blocked.
constexpr int kPendingSlots = 32;
char* g_pending[kPendingSlots] = {};
constexpr int kCleanupSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

extern "C" void removePendingAndExit(int sig) {
    for (char* name : g_pending)
        if (name) ::unlink(name);
    ::signal(sig, SIG_DFL);
    ::raise(sig);
}

class SignalsBlocked {
public:
    SignalsBlocked() {
        sigset_t set;
        sigemptyset(&set);
        for (int sig : kCleanupSignals) sigaddset(&set, sig);
        ::pthread_sigmask(SIG_BLOCK, &set, &old_);
    }
    ~SignalsBlocked() { ::pthread_sigmask(SIG_SETMASK, &old_, nullptr); }

private:
    sigset_t old_;
};

void installCleanupHandler() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    for (int sig : kCleanupSignals) {
        struct sigaction current {};
        // A disposition the program chose (ignored, or a handler of its own) stays.
        if (::sigaction(sig, nullptr, &current) != 0 || current.sa_handler != SIG_DFL) continue;
        struct sigaction action {};
        action.sa_handler = removePendingAndExit;
        sigemptyset(&action.sa_mask);
        for (int other : kCleanupSignals) sigaddset(&action.sa_mask, other);
        ::sigaction(sig, &action, nullptr);
    }
}

// Creates the temporary file of the mkstemp template (filled in place) and lists it for removal
// on a signal. Returns the descriptor, or -1 with errno set.
int rememberTemporary(std::string& tmpl) {
    const SignalsBlocked blocked;
    installCleanupHandler();
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) return fd;
    for (char*& slot : g_pending) {
        if (!slot) {
            slot = ::strdup(tmpl.c_str());
            break;
        }
    }
    return fd;
}

void forgetTemporary(const std::string& name) {
    const SignalsBlocked blocked;
    for (char*& slot : g_pending) {
        if (slot && name == slot) {
            char* old = slot;
            slot = nullptr;
            std::free(old);
            break;
        }
    }
}

}  // namespace

struct FileReplacements::Staged {
    std::filesystem::path shown;   // the path as given, for messages
    std::filesystem::path target;  // the file it names, links followed
    std::string temporary;
    bool committed = false;
};

FileReplacements::FileReplacements() = default;

FileReplacements::~FileReplacements() {
    for (const auto& s : staged_) {
        if (s->committed) continue;
        ::unlink(s->temporary.c_str());
        forgetTemporary(s->temporary);
    }
}

void FileReplacements::stage(const std::filesystem::path& path, const ByteProducer& produce) {
    const std::filesystem::path target = resolveLinks(path);
    try {
        detail::refuseSpecialFile(target);
    } catch (const FileError& e) {
        throw FileError(path, e.fileReason());
    }
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    // The system decides whether this process may write the file (root may, whatever the mode
    // bits say); the rename would otherwise bypass a protection the system applies.
    if (exists && ::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        throw FileError(path, systemReason(errno).withNote(" (the file is read-only)",
                                                           " (読み取り専用のファイルです)"));
    }

    std::string tmpl = target.string() + ".tmp-XXXXXX";
    const int fd = rememberTemporary(tmpl);
    if (fd < 0) throw FileError(path, systemReason(errno));

    try {
        const std::optional<std::size_t> diskFullAfter = detail::diskFullAfter();
        std::size_t written = 0;
        produce([&](std::string_view bytes) {
            const char* p = bytes.data();
            std::size_t left = bytes.size();
            while (left > 0) {
                std::size_t chunk = left;
                if (diskFullAfter) {
                    if (written >= *diskFullAfter) throw FileError(path, systemReason(ENOSPC));
                    chunk = std::min(chunk, *diskFullAfter - written);
                }
                const ssize_t n = ::write(fd, p, chunk);
                if (n < 0) {
                    if (errno == EINTR) continue;
                    throw FileError(path, systemReason(errno));
                }
                p += n;
                left -= static_cast<std::size_t>(n);
                written += static_cast<std::size_t>(n);
            }
        });
        if (exists) {
            // The replacement keeps the replaced file's permission bits and, as far as this
            // process may give them, its owner and group: a private settings file stays private.
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
        if (::fsync(fd) != 0) throw FileError(path, systemReason(errno));
    } catch (...) {
        ::close(fd);
        ::unlink(tmpl.c_str());
        forgetTemporary(tmpl);
        throw;
    }
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.c_str());
        forgetTemporary(tmpl);
        throw FileError(path, systemReason(err));
    }
    staged_.push_back(std::make_unique<Staged>(Staged{path, target, std::move(tmpl)}));
}

void FileReplacements::commit() {
    for (const auto& s : staged_) {
        if (s->committed) continue;
        if (::rename(s->temporary.c_str(), s->target.c_str()) != 0)
            throw FileError(s->shown, systemReason(errno));
        s->committed = true;
        forgetTemporary(s->temporary);
        syncFolder(s->target);
    }
}

}  // namespace tabrova::platform
