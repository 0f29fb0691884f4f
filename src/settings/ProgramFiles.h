// The folder that holds the program's three files, decided once at start-up.
//
// The files lie beside the executable (the portable layout Windows users expect). When the
// executable's folder cannot be written (a system-wide install, a read-only folder), or when it is
// the bin folder of an installation prefix (the Debian package, `cmake --install`; writable for
// root or in a prefix of the user's own), all three go to the user's configuration folder
// instead. A file there is never read while the executable's own folder is used, so the two
// places never mix.
#pragma once

#include <filesystem>
#include <functional>

namespace tabrova {

struct ProgramFiles {
    std::filesystem::path folder;
    std::filesystem::path settingsFile;    // <executable's base name>.ini
    std::filesystem::path targetListFile;  // TargetCAD_APIVersion.txt
    std::filesystem::path dxfFile;         // <executable's base name>.dxf
    bool inUserConfigFolder = false;       // true when the executable's folder was not writable
};

// What locateProgramFiles asks the system; tests replace the members.
struct ProgramFilesProbe {
    std::function<bool(const std::filesystem::path& folder)> isFolderWritable;
    std::function<std::filesystem::path()> userConfigFolder;
    // Defaults: platform::isFolderWritable and platform::userConfigFolder.
    ProgramFilesProbe();
};

// The file that the install rules put at PREFIX/share/tabrova/installed, relative to the
// executable's folder PREFIX/bin. Its presence marks the executable as installed into a prefix.
inline constexpr const char* kInstalledMarker = "../share/tabrova/installed";

// True when the program's files go to the user's configuration folder for an executable in
// `folder`: the folder cannot be written, or it is the bin folder of an installation prefix.
bool keepsFilesInUserConfigFolder(const std::filesystem::path& folder,
                                  const ProgramFilesProbe& probe = {});

// The files of the program at `executable`, where they lie or would lie; nothing is created.
ProgramFiles programFilesFor(const std::filesystem::path& executable,
                             const ProgramFilesProbe& probe = {});

// Decides the folder for an executable at `executable`. The configuration folder is created
// (with its parents) when it is chosen and missing; a failure there is left for the first save
// to report, since nothing at start-up needs the folder to exist.
ProgramFiles locateProgramFiles(const std::filesystem::path& executable,
                                const ProgramFilesProbe& probe = {});

// The same for the running executable (platform::executablePath()).
ProgramFiles locateProgramFiles();

}  // namespace tabrova
