#include "platform/ProgramPaths.h"

#include <fstream>
#include <random>
#include <string>
#include <system_error>

namespace tabrova::platform {

bool isFolderWritable(const std::filesystem::path& folder) {
    std::error_code ec;
    if (!std::filesystem::is_directory(folder, ec)) return false;
    std::random_device random;
    for (int attempt = 0; attempt < 4; ++attempt) {
        const auto probe = folder / (".tabrova-write-probe-" + std::to_string(random()) +
                                     std::to_string(random()));
        if (std::filesystem::exists(probe, ec)) continue;
        bool opened = false;
        {
            std::ofstream out(probe, std::ios::binary);
            opened = static_cast<bool>(out);
        }
        if (!opened) return false;
        std::filesystem::remove(probe, ec);
        return true;
    }
    return false;
}

}  // namespace tabrova::platform
