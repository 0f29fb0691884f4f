#include <cstdlib>
#include <string>
#include <system_error>

#include "platform/AtomicFile.h"
#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"

namespace tabrova::platform {

std::filesystem::path executablePath() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) throw FileError("/proc/self/exe", errnoReason(ec.value()));
    return self;
}

std::filesystem::path userConfigFolder() {
    // XDG_CONFIG_HOME counts only when it is an absolute path (XDG Base Directory rules).
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        return std::filesystem::path(xdg) / "tabrova";
    }
    std::string home;
    if (const char* h = std::getenv("HOME"); h && h[0] != '\0') home = h;
    return std::filesystem::path(home.empty() ? "." : home) / ".config" / "tabrova";
}

std::filesystem::path pathFromUtf16(const std::u16string& name) {
    return std::filesystem::path(utf16ToBytes(name));
}

std::u16string pathToUtf16(const std::filesystem::path& path) {
    return bytesToUtf16(path.native());
}

}  // namespace tabrova::platform
