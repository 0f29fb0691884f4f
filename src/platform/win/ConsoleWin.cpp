#include <windows.h>
#include <io.h>
#include <shellapi.h>

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

bool isTerminal(StandardStream stream) {
    return _isatty(_fileno(stream == StandardStream::output ? stdout : stderr)) != 0;
}

void useUtf8Console() { SetConsoleOutputCP(CP_UTF8); }

char16_t userDecimalSeparator() {
    wchar_t buffer[8] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buffer, 8) > 0 &&
        buffer[0] == L',' && buffer[1] == L'\0') {
        return u',';
    }
    return u'.';
}

}  // namespace tabrova::platform
