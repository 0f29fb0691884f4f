// Where the running program lives and where a user's own files may go.
#pragma once

#include <filesystem>
#include <string>

namespace tabrova::platform {

// The full path of the running executable (not the working directory, not argv[0]).
// Throws FileError when the system cannot tell it.
std::filesystem::path executablePath();

// The folder for this user's configuration files of the program: %APPDATA%\Tabrova on Windows,
// $XDG_CONFIG_HOME/tabrova (or ~/.config/tabrova) elsewhere. Not created here; may not exist.
std::filesystem::path userConfigFolder();

// True when a new file can be created in the folder (tried by creating and removing a probe file,
// since permission bits alone do not tell: ACLs, read-only mounts, a root user).
bool isFolderWritable(const std::filesystem::path& folder);

// A file name as UTF-16 and back, losslessly: on Windows the system's own UTF-16; elsewhere the
// name's bytes, those that are not UTF-8 carried as in bytesToUtf16 (Utf8.h), so that a name
// given on the command line is used byte for byte.
std::filesystem::path pathFromUtf16(const std::u16string& name);
std::u16string pathToUtf16(const std::filesystem::path& path);

}  // namespace tabrova::platform
