#include "cli/ToolArguments.h"

#include "cli/ToolInputs.h"
#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"

namespace tabrova::cli {

namespace {

constexpr std::string_view kUsage =
    "Usage: tabrova-dxf [OPTIONS] WORKBOOK.xlsx|.xml|.ods|.fods\n"
    "   or: tabrova-dxf [OPTIONS] --running -o FILE\n"
    "   or: tabrova-dxf [OPTIONS] --clipboard -o FILE\n"
    "Draws a cell range of a workbook, the selection of the running spreadsheet, or the range\n"
    "last copied in LibreOffice Calc or Excel, as a DXF R12 file.\n"
    "  -o, --output FILE        DXF file to write (default: the workbook's path with the\n"
    "                           extension .dxf)\n"
    "  --sheet NAME             sheet to read (default: the workbook's active sheet)\n"
    "  --range REF              A1-style range, \"B2:F20\" or \"C5\" (default: the sheet's saved\n"
    "                           selection)\n"
    "  --settings FILE          settings file in the program's INI format (default: the desktop\n"
    "                           program's settings file when there is one, else the built-in\n"
    "                           defaults)\n"
    "  --dump-table FILE|-      also write the table as read and sized, as JSON\n"
    "  --preview FILE           also write a picture of the drawing, PNG or SVG by the file's\n"
    "                           extension (.png, .svg)\n"
    "  --running                read the selection of the running spreadsheet application\n"
    "  --progid ID              its ProgID (default: the settings' Excel ProgID)\n"
    "  --clipboard              read the cell range on the clipboard, as LibreOffice Calc or\n"
    "                           Excel copied it (on Linux this needs an X11 or Wayland display)\n"
    "  -q, --quiet              no progress output\n"
    "  -h, --help               show this help\n"
    "  --version                show the version\n";

std::filesystem::path toPath(const std::u16string& text) { return platform::pathFromUtf16(text); }

}  // namespace

std::string_view toolUsage() { return kUsage; }

std::filesystem::path outputPath(const ToolOptions& options) {
    if (options.output) return *options.output;
    std::filesystem::path output = options.workbook;
    return output.replace_extension(".dxf");
}

std::vector<std::filesystem::path> outputFiles(const ToolOptions& options,
                                               const std::filesystem::path& output) {
    std::vector<std::filesystem::path> files{output};
    if (options.dump && *options.dump != u"-")
        files.push_back(platform::pathFromUtf16(*options.dump));
    if (options.preview) files.push_back(*options.preview);
    return files;
}

ToolOptions parseArguments(const std::vector<std::u16string>& args) {
    ToolOptions options;
    bool haveWorkbook = false;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::u16string& arg = args[i];
        if (optionsEnded || arg.empty() || arg[0] != u'-' || arg == u"-") {
            if (haveWorkbook) throw UsageError{"more than one workbook given"};
            options.workbook = toPath(arg);
            haveWorkbook = true;
            continue;
        }
        if (arg == u"--") {
            optionsEnded = true;
            continue;
        }
        std::u16string name = arg;
        std::optional<std::u16string> inlineValue;
        if (arg.starts_with(u"--")) {
            if (const auto eq = arg.find(u'='); eq != std::u16string::npos) {
                name = arg.substr(0, eq);
                inlineValue = arg.substr(eq + 1);
            }
        }
        auto value = [&]() -> std::u16string {
            if (inlineValue) return *inlineValue;
            if (i + 1 >= args.size())
                throw UsageError{"option " + messageText(name) + " needs a value"};
            return args[++i];
        };
        auto flag = [&] {
            if (inlineValue) throw UsageError{"option " + messageText(name) + " takes no value"};
        };
        if (name == u"-o" || name == u"--output") {
            const std::u16string v = value();
            if (v.empty()) throw UsageError{"option " + messageText(name) + " needs a file name"};
            options.output = toPath(v);
        } else if (name == u"--sheet") {
            options.sheet = value();
        } else if (name == u"--range") {
            options.range = value();
            if (!isRangeRef(*options.range)) {
                throw UsageError{
                    "--range " + quotedText(*options.range) +
                    " is not an A1-style range within the sheet (such as B2:F20 or C5)"};
            }
        } else if (name == u"--settings") {
            const std::u16string v = value();
            if (v.empty()) throw UsageError{"option --settings needs a file name"};
            options.settings = toPath(v);
        } else if (name == u"--dump-table") {
            options.dump = value();
            if (options.dump->empty())
                throw UsageError{"option --dump-table needs a file name or -"};
        } else if (name == u"--preview") {
            const std::u16string v = value();
            if (v.empty()) throw UsageError{"option --preview needs a file name"};
            options.preview = toPath(v);
            if (!isPictureName(*options.preview)) {
                throw UsageError{"--preview " + quotedText(v) +
                                 ": the picture's name must end in .png or .svg"};
            }
        } else if (name == u"--running") {
            flag();
            options.running = true;
        } else if (name == u"--clipboard") {
            flag();
            options.clipboard = true;
        } else if (name == u"--progid") {
            options.progId = value();
            if (options.progId->empty()) throw UsageError{"option --progid needs a ProgID"};
        } else if (name == u"-q" || name == u"--quiet") {
            flag();
            options.quiet = true;
        } else if (name == u"-h" || name == u"--help") {
            flag();
            options.help = true;
        } else if (name == u"--version") {
            flag();
            options.version = true;
        } else {
            throw UsageError{"unknown option " + messageText(name)};
        }
    }
    if (options.help || options.version) return options;
    if (options.clipboard) {
        if (options.running)
            throw UsageError{"--clipboard and --running are two sources; give one"};
        if (haveWorkbook) throw UsageError{"--clipboard reads no workbook file"};
        if (options.sheet || options.range) {
            throw UsageError{
                "--sheet and --range need a workbook file; --clipboard reads the copied range"};
        }
        if (options.progId) throw UsageError{"--progid goes with --running"};
        if (!options.output) throw UsageError{"--clipboard needs -o FILE"};
    } else if (options.running) {
        if (haveWorkbook) throw UsageError{"--running reads no workbook file"};
        if (options.sheet || options.range) {
            throw UsageError{
                "--sheet and --range need a workbook file; --running reads the "
                "selection"};
        }
        if (!options.output) throw UsageError{"--running needs -o FILE"};
    } else {
        if (options.progId) throw UsageError{"--progid goes with --running"};
        if (!haveWorkbook) throw UsageError{"no workbook given"};
    }
    return options;
}

}  // namespace tabrova::cli
