#include <windows.h>

#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/ProgramPaths.h"

namespace tabrova::platform {

std::filesystem::path executablePath() {
    // GetModuleFileNameW truncates silently; grow the buffer until the whole path fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) {
            const std::string code = std::to_string(GetLastError());
            throw FileError("executable", {"error " + code, "エラー " + code});
        }
        if (n < buffer.size()) return std::filesystem::path(std::wstring(buffer.data(), n));
        buffer.resize(buffer.size() * 2);
    }
}

std::filesystem::path userConfigFolder() {
    std::vector<wchar_t> buffer(MAX_PATH);
    DWORD n = GetEnvironmentVariableW(L"APPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n >= buffer.size()) {
        buffer.resize(n);
        n = GetEnvironmentVariableW(L"APPDATA", buffer.data(), static_cast<DWORD>(buffer.size()));
    }
    if (n > 0 && n < buffer.size()) {
        return std::filesystem::path(std::wstring(buffer.data(), n)) / L"Tabrova";
    }
    n = GetEnvironmentVariableW(L"USERPROFILE", buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n > 0 && n < buffer.size()) {
        return std::filesystem::path(std::wstring(buffer.data(), n)) / L"AppData" / L"Roaming" /
               L"Tabrova";
    }
    return std::filesystem::path(L".") / L"Tabrova";
}

std::filesystem::path pathFromUtf16(const std::u16string& name) {
    return std::filesystem::path(std::wstring(name.begin(), name.end()));
}

std::u16string pathToUtf16(const std::filesystem::path& path) {
    const std::wstring& name = path.native();
    return std::u16string(name.begin(), name.end());
}

}  // namespace tabrova::platform
