#include <unistd.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdio>

#include "platform/Console.h"
#include "platform/Utf8.h"

namespace tabrova::platform {

std::vector<std::u16string> commandLineArguments(int argc, char** argv) {
    std::vector<std::u16string> args;
    for (int i = 1; i < argc; ++i) args.push_back(bytesToUtf16(argv[i]));
    return args;
}

std::filesystem::path pathArgument(char** argv, int index, const std::u16string&) {
    return std::filesystem::path(argv[index]);
}

bool isTerminal(StandardStream stream) {
    return ::isatty(stream == StandardStream::output ? STDOUT_FILENO : STDERR_FILENO) == 1;
}

void useUtf8Console() {}

void keepFreedMemory() {
#if defined(__GLIBC__)
    mallopt(M_MMAP_THRESHOLD, 256 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
    mallopt(M_TOP_PAD, 16 << 20);
#endif
}

}  // namespace tabrova::platform
