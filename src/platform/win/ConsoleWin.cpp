// windows.h first: shellapi.h needs its declarations.
// clang-format off
#include <windows.h>
#include <io.h>
#include <shellapi.h>
// clang-format on

#include <cstdio>

#include "platform/Console.h"

namespace tabrova::platform {

std::vector<std::u16string> commandLineArguments(int, char**) {
    std::vector<std::u16string> args;
    int count = 0;
    LPWSTR* list = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!list) return args;
    for (int i = 1; i < count; ++i) {
        args.emplace_back(reinterpret_cast<const char16_t*>(list[i]));
    }
    LocalFree(list);
    return args;
}

std::filesystem::path pathArgument(char**, int, const std::u16string& text) {
    return std::filesystem::path(std::wstring(text.begin(), text.end()));
}

bool isTerminal(StandardStream stream) {
    return _isatty(_fileno(stream == StandardStream::output ? stdout : stderr)) != 0;
}

void useUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

void keepFreedMemory() {}

}  // namespace tabrova::platform
