// tabrova-dxf: converts the saved selection (or a given range) of a workbook file into the DXF
// drawing the desktop program would insert, through the same reader, sizing and drawing.
#pragma once

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

namespace tabrova::cli {

// Exit statuses.
inline constexpr int kExitDone = 0;
inline constexpr int kExitFailed = 1;  // bad input, a file that cannot be read or written
inline constexpr int kExitUsage = 2;

struct ToolIo {
    std::ostream& out;
    std::ostream& err;
    bool errIsTerminal = false;        // progress is shown only on a terminal
    char16_t decimalSeparator = u'.';  // of the user's locale, for the settings file
};

// Runs the tool with the arguments after the program name. executable locates the default
// settings file.
int runDxfTool(const std::vector<std::u16string>& args, const std::filesystem::path& executable,
               ToolIo& io);

}  // namespace tabrova::cli
