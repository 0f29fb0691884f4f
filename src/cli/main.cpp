// tabrova-dxf: see DxfTool.h.
#include <iostream>

#include "cli/DxfTool.h"
#include "platform/AtomicFile.h"
#include "platform/Console.h"
#include "platform/ProgramPaths.h"
#include "platform/UserLocale.h"

int main(int argc, char** argv) {
    using namespace tabrova;
    platform::useUtf8Console();
    platform::keepFreedMemory();
    std::filesystem::path executable;
    try {
        executable = platform::executablePath();
    } catch (const platform::FileError&) {
        // Without its own path the tool runs on the built-in settings.
    }
    cli::ToolIo io{std::cout, std::cerr, platform::isTerminal(platform::StandardStream::error),
                   platform::userDecimalSeparator()};
    return cli::runDxfTool(platform::commandLineArguments(argc, argv), executable, io);
}
