// Whole-file replacement that never leaves a half-written file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tabrova::platform {

// Why a file could not be read or written, in English for the command-line tool and in Japanese
// for the desktop program (UTF-8 both).
struct FileReason {
    std::string english;
    std::string japanese;

    FileReason withNote(std::string_view english, std::string_view japanese) const;
};

// The C library's error code as a reason.
FileReason errnoReason(int err);

// A file that could not be read or written: names the file and the system's reason.
class FileError : public std::runtime_error {
public:
    FileError(std::filesystem::path path, FileReason reason);
    const std::filesystem::path& path() const { return path_; }
    // The system's reason, in UTF-8 (for example "Permission denied").
    const std::string& reason() const { return reason_.english; }
    const std::string& japaneseReason() const { return reason_.japanese; }
    const FileReason& fileReason() const { return reason_; }

private:
    std::filesystem::path path_;
    FileReason reason_;
};

// Writes the bytes to a temporary file in the target's folder, flushes it to disk and renames it
// over the target. On any failure the temporary file is removed, the previous file stays as it
// was, and FileError is thrown. A read-only file is not replaced (the rename would otherwise
// bypass its protection on POSIX systems; Windows refuses it by itself), nor is anything that is
// not a regular file (a device, a named pipe, a socket): renaming over it would remove it.
void saveFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// Takes the next piece of a file's bytes.
using ByteWriter = std::function<void(std::string_view)>;
// Produces a file's bytes by handing them, piece after piece, to the writer it is given; a file
// too large to hold in memory at once goes to disk as it is made.
using ByteProducer = std::function<void(const ByteWriter&)>;

// As above, with the bytes written as the producer makes them. An exception the producer throws
// removes the temporary file and passes on.
void saveFileAtomically(const std::filesystem::path& path, const ByteProducer& produce);

// Several files replaced together: stage writes each in full to a temporary file beside its
// target, commit renames them all over their targets at the end. Until commit the targets stay
// as they were; temporaries not committed are removed when the object goes, and also when the
// process is interrupted or terminated (SIGINT, SIGTERM; Ctrl+C or closing the console on
// Windows) while they exist.
class FileReplacements {
public:
    FileReplacements();
    ~FileReplacements();
    FileReplacements(const FileReplacements&) = delete;
    FileReplacements& operator=(const FileReplacements&) = delete;

    // Throws FileError (naming path) as saveFileAtomically does, before any target is touched.
    void stage(const std::filesystem::path& path, std::string_view bytes);
    // The same with the bytes written as the producer makes them; an exception the producer
    // throws removes this file's temporary and passes on.
    void stage(const std::filesystem::path& path, const ByteProducer& produce);
    // Renames every staged file over its target. Throws FileError naming the first that fails;
    // the ones before it are then already replaced.
    void commit();

    // The opaque state of one staged file, per system.
    struct Staged;

private:
    std::vector<std::unique_ptr<Staged>> staged_;
};

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

// The limit of readWholeFile for the program's small text files (settings, target CAD list).
inline constexpr std::uint64_t kMaxTextFileBytes = 4ull << 20;

// Reads a whole regular file of at most maxBytes. Throws FileError when it cannot be read, is
// larger, or is not a regular file: a named pipe or a device is refused before it is opened,
// since reading it could block for ever or never end.
std::string readWholeFile(const std::filesystem::path& path,
                          std::uint64_t maxBytes = kMaxTextFileBytes);

namespace detail {
// Throws FileError when the path names something that exists and is not a regular file (links
// followed): a directory ("Is a directory"), a device, a named pipe or a socket.
void refuseSpecialFile(const std::filesystem::path& path);
}  // namespace detail

}  // namespace tabrova::platform
