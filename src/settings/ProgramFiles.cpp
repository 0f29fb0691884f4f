#include "settings/ProgramFiles.h"

#include <system_error>

#include "platform/ProgramPaths.h"

namespace tabrova {

ProgramFilesProbe::ProgramFilesProbe()
    : isFolderWritable(platform::isFolderWritable), userConfigFolder(platform::userConfigFolder) {}

bool keepsFilesInUserConfigFolder(const std::filesystem::path& folder,
                                  const ProgramFilesProbe& probe) {
    if (!probe.isFolderWritable(folder)) return true;
    std::error_code ec;
    return folder.filename() == "bin" &&
           std::filesystem::is_regular_file(folder / kInstalledMarker, ec);
}

ProgramFiles programFilesFor(const std::filesystem::path& executable,
                             const ProgramFilesProbe& probe) {
    ProgramFiles files;
    files.folder = executable.parent_path();
    if (keepsFilesInUserConfigFolder(files.folder, probe)) {
        files.folder = probe.userConfigFolder();
        files.inUserConfigFolder = true;
    }
    // The base name without its extension: "Tabrova.exe" gives "Tabrova.ini", "tabrova" gives
    // "tabrova.ini".
    const std::filesystem::path stem = executable.stem();
    files.settingsFile = files.folder / stem;
    files.settingsFile += ".ini";
    files.dxfFile = files.folder / stem;
    files.dxfFile += ".dxf";
    files.targetListFile = files.folder / "TargetCAD_APIVersion.txt";
    return files;
}

ProgramFiles locateProgramFiles(const std::filesystem::path& executable,
                                const ProgramFilesProbe& probe) {
    ProgramFiles files = programFilesFor(executable, probe);
    if (files.inUserConfigFolder) {
        std::error_code ec;
        std::filesystem::create_directories(files.folder, ec);
    }
    return files;
}

ProgramFiles locateProgramFiles() { return locateProgramFiles(platform::executablePath()); }

}  // namespace tabrova
