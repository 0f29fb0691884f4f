// The command line of tabrova-dxf: its options, their checks and the files they name.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tabrova::cli {

// The --help text.
std::string_view toolUsage();

struct ToolOptions {
    std::filesystem::path workbook;
    std::optional<std::filesystem::path> output;
    std::optional<std::u16string> sheet;
    std::optional<std::u16string> range;
    std::optional<std::filesystem::path> settings;
    std::optional<std::u16string> dump;  // a path, or "-" for standard output
    std::optional<std::filesystem::path> preview;
    bool running = false;
    bool clipboard = false;
    std::optional<std::u16string> progId;
    bool quiet = false;
    bool help = false;
    bool version = false;
};

// A command line the tool cannot run: the reason, for one line before the hint to --help.
struct UsageError {
    std::string message;
};

// The options of the arguments after the program name. Throws UsageError.
ToolOptions parseArguments(const std::vector<std::u16string>& args);

// The DXF file: the one given, else the workbook's path with the extension ".dxf".
std::filesystem::path outputPath(const ToolOptions& options);

// Every file the run writes: the DXF file, the dump unless it goes to standard output, the
// picture.
std::vector<std::filesystem::path> outputFiles(const ToolOptions& options,
                                               const std::filesystem::path& output);

}  // namespace tabrova::cli
