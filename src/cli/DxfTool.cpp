#include "cli/DxfTool.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <optional>

#include "cli/ToolInputs.h"
#include "dxf/TableDrawing.h"
#include "platform/AtomicFile.h"
#include "platform/Automation.h"
#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"
#include "settings/ProgramFiles.h"
#include "settings/Settings.h"
#include "table/SelectionReader.h"
#include "workbook/RunningSpreadsheet.h"

namespace tabrova::cli {

std::string pathText(const std::filesystem::path& path) {
    const std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
}

namespace {

// The texts of a table's cells in one block: a string per cell costs an allocation and its
// bookkeeping each, which on a large table adds up to more than the texts themselves. Each cell's
// text is moved out of the table as it is packed, so that the texts are never held twice over.
class PackedTexts {
public:
    explicit PackedTexts(CellTable& table) : cols_(table.colCount) {
        std::size_t total = 0;
        for (const TXlsxCellAttr& cell : table.cells) total += cell.str.size();
        chars_.reserve(total);
        ends_.reserve(table.cells.size());
        for (TXlsxCellAttr& cell : table.cells) {
            chars_ += cell.str;
            ends_.push_back(chars_.size());
            std::u16string().swap(cell.str);
        }
    }
    std::u16string_view text(std::int32_t col, std::int32_t row) const {
        const std::size_t i = static_cast<std::size_t>(col) + static_cast<std::size_t>(row) * cols_;
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::u16string_view(chars_).substr(begin, ends_[i] - begin);
    }

private:
    std::int32_t cols_;
    std::u16string chars_;
    std::vector<std::size_t> ends_;
};

constexpr const char* kUsage =
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

struct Options {
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

// The most of a message's subject (a path, a ProgID) and of its reason shown on the one line;
// the parts quoted from files or arguments are cut shorter where they are made.
constexpr std::size_t kSubjectChars = 400;
constexpr std::size_t kReasonChars = 800;

// The DXF file: the one given, else the workbook's path with the extension ".dxf".
std::filesystem::path outputPath(const Options& options) {
    if (options.output) return *options.output;
    std::filesystem::path output = options.workbook;
    return output.replace_extension(".dxf");
}

std::vector<std::filesystem::path> outputFiles(const Options& options,
                                               const std::filesystem::path& output) {
    std::vector<std::filesystem::path> files{output};
    if (options.dump && *options.dump != u"-")
        files.push_back(platform::pathFromUtf16(*options.dump));
    if (options.preview) files.push_back(*options.preview);
    return files;
}

struct UsageError {
    std::string message;
};

std::filesystem::path toPath(const std::u16string& text) { return platform::pathFromUtf16(text); }

Options parseArguments(const std::vector<std::u16string>& args) {
    Options options;
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

// The workbook and sheet of the reader's caption "Book1.xlsx [Sheet1]". A sheet's name cannot
// hold brackets, so the last " [" starts it.
std::pair<std::u16string, std::u16string> splitCaption(const std::u16string& caption) {
    const std::size_t open = caption.rfind(u" [");
    if (open == std::u16string::npos || !caption.ends_with(u']')) return {caption, {}};
    return {caption.substr(0, open), caption.substr(open + 2, caption.size() - open - 3)};
}

// The settings file used when none is given: where the desktop program keeps its files (the
// user's configuration folder for an unwritable or installed executable folder), the desktop
// program's beside the executable, else one named after this executable.
std::optional<std::filesystem::path> defaultSettingsFile(const std::filesystem::path& executable) {
    if (executable.empty()) return std::nullopt;
    const std::filesystem::path folder = executable.parent_path();
    std::error_code ec;
    if (keepsFilesInUserConfigFolder(folder)) {
        const auto user = platform::userConfigFolder() / "tabrova.ini";
        if (std::filesystem::is_regular_file(user, ec)) return user;
        return std::nullopt;
    }
    std::vector<std::filesystem::path> candidates = {
        folder / "tabrova.ini",
        folder / (executable.stem().native() + std::filesystem::path(".ini").native())};
    for (const auto& c : candidates)
        if (std::filesystem::is_regular_file(c, ec)) return c;
    return std::nullopt;
}

// The grid in memory, showing the read's progress on a terminal once it takes over a second.
class ProgressGrid : public GridContents {
public:
    ProgressGrid(std::ostream& err, bool show) : err_(err), show_(show) {}
    ~ProgressGrid() override { finish(); }

    void advanceProgress() override {
        GridContents::advanceProgress();
        if (!show_) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::seconds(1) ||
            now - lastDrawn_ < std::chrono::milliseconds(100)) {
            return;
        }
        lastDrawn_ = now;
        const int width = 30;
        const int filled =
            progressMax > 0
                ? static_cast<int>(static_cast<long long>(progress) * width / progressMax)
                : 0;
        err_ << "\rreading row " << progress << " / " << progressMax << " ["
             << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(width - filled), '-') << "]" << std::flush;
        drawn_ = true;
    }

    // The reader gives each cell's text to the grid and keeps it in the table: here, where
    // nothing edits the grid, the table's copy is the only one (a long text in many cells would
    // otherwise be held twice over). The headers stay in the grid.
    void setCellText(std::int32_t col, std::int32_t row, const std::u16string& text) override {
        if (col > 0 && row > 0) return;
        GridContents::setCellText(col, row, text);
    }

    void finish() {
        if (!drawn_) return;
        err_ << "\r" << std::string(60, ' ') << "\r" << std::flush;
        drawn_ = false;
    }

private:
    std::ostream& err_;
    bool show_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDrawn_{};
};

std::string readFailure(const SelectionReadResult& result) {
    switch (result.status) {
        case SelectionReadStatus::tooLarge:
            return "the range is too large to read (more than " +
                   std::to_string(kMaxSelectionCells) + " cells)";
        case SelectionReadStatus::stopped: {
            std::string why = "reading stopped";
            if (!result.stopCell.empty()) why += " at cell " + messageText(result.stopCell);
            if (!result.stopMember.empty()) why += " (" + messageText(result.stopMember) + ")";
            if (!result.errorText.empty()) why += ": " + messageText(result.errorText, 200);
            return why;
        }
        case SelectionReadStatus::attachFailed:
            return "the spreadsheet could not be attached (" + messageText(result.message, 200) +
                   ")";
        case SelectionReadStatus::noWorkbook:
            return "the spreadsheet has no workbook open";
        default:
            return "reading was cancelled";
    }
}

int run(const Options& options, const std::filesystem::path& executable, ToolIo& io) {
    // Settings.
    WorkingSettings settings;
    std::optional<std::filesystem::path> settingsFile = options.settings;
    if (settingsFile) {
        std::error_code ec;
        if (!std::filesystem::exists(*settingsFile, ec)) {
            throw ToolFailure{pathText(*settingsFile), "No such file or directory"};
        }
    } else {
        settingsFile = defaultSettingsFile(executable);
    }
    if (settingsFile) {
        try {
            settings = loadSettings(*settingsFile, io.decimalSeparator);
        } catch (const platform::FileError& e) {
            throw ToolFailure{pathText(*settingsFile), e.reason()};
        }
    }

    // The workbook file, or the running spreadsheet application.
    const std::u16string progId = options.progId.value_or(settings.excelPID);
    const std::string subject = options.clipboard ? std::string("clipboard")
                                : options.running ? utf16ToUtf8(progId)
                                                  : pathText(options.workbook);
    const std::filesystem::path output = outputPath(options);
    // Every output is refused before the workbook is read when it exists and is not a regular file
    // (a device, a named pipe): writing would replace it, or block.
    for (const std::filesystem::path& file : outputFiles(options, output)) {
        try {
            platform::detail::refuseSpecialFile(file);
        } catch (const platform::FileError& e) {
            throw ToolFailure{pathText(file), e.reason()};
        }
    }
    std::unique_ptr<OpenedWorkbook> opened;
    std::string sheetPrefix;  // failures of a workbook's read name the sheet
    if (options.clipboard) {
        opened = openClipboardForReading();
        for (const workbook::ReadReason& note : opened->notes())
            io.err << "tabrova-dxf: clipboard: " << note.english() << "\n";
    } else if (!options.running) {
        opened = openWorkbookForReading(options.workbook, options.sheet, options.range);
        sheetPrefix = "sheet " + quotedText(opened->sheetName()) + ": ";
        for (const workbook::ReadReason& note : opened->notes()) {
            io.err << "tabrova-dxf: " << messageText(subject, kSubjectChars) << ": "
                   << note.english() << "\n";
        }
    }

    // Read and size it, exactly as the desktop program does.
    const SelectionReadSettings readSettings =
        selectionReadSettings(settings, progId, io.decimalSeparator);
    CellTable table;
    ProgressGrid grid(io.err, io.errIsTerminal && !options.quiet);
    std::unique_ptr<SelectionSource> running;
    if (!opened) running = workbook::runningSpreadsheetSource(readSettings);
    const SelectionReadResult result =
        readSelection(readSettings, opened ? opened->source() : *running, table, grid);
    grid.finish();
    // The workbook's cells are in the table now: its memory goes before the drawing's is taken.
    if (opened) opened->close();
    opened.reset();
    if (result.status != SelectionReadStatus::complete) {
        throw ToolFailure{subject, sheetPrefix + readFailure(result)};
    }
    if (!table.usable()) throw ToolFailure{subject, "the range holds no cells"};

    // The drawing and the dump take the cells' texts (the grid held only its headers), packed
    // into one block before the drawing's memory is taken.
    const PackedTexts texts(table);

    // The outputs, complete in memory before any file is written.
    const CellTextFn text = [&texts](std::int32_t col, std::int32_t row) {
        return std::u16string(texts.text(col, row));
    };
    std::string json;
    if (options.dump) {
        DumpInfo info;
        const auto [book, sheet] = splitCaption(grid.caption);
        info.workbook = options.running || options.clipboard
                            ? book
                            : utf8ToUtf16(pathText(options.workbook.filename()));
        info.sheet = sheet;
        info.first = grid.firstAddress;
        info.last = grid.lastAddress;
        info.cadXsc = settings.cadXsc;
        info.cadYsc = settings.cadYsc;
        info.cadTsc = settings.cadTsc;
        info.cadTof = settings.cadTof;
        info.cellLineDraw = settings.cellLineDraw;
        // The dump shows the texts the drawing uses.
        CellTable shown = table;
        for (std::int32_t r = 0; r < shown.rowCount; ++r)
            for (std::int32_t c = 0; c < shown.colCount; ++c) shown.at(c, r).str = text(c, r);
        json = tableJson(info, shown);
    }
    const bool dumpToFile = options.dump && *options.dump != u"-";
    // An output that names the workbook itself would replace the input.
    auto sameFile = [](const std::filesystem::path& a, const std::filesystem::path& b) {
        std::error_code ec;
        return std::filesystem::equivalent(a, b, ec);
    };
    if (sameFile(output, options.workbook) ||
        (dumpToFile && sameFile(toPath(*options.dump), options.workbook)) ||
        (options.preview && sameFile(*options.preview, options.workbook))) {
        throw ToolFailure{subject, "an output file would replace the workbook itself"};
    }
    // A coordinate the file cannot hold fails the run before anything is written.
    if (const auto scale = nonFiniteScale(table, text, settings, settings.cellLineDraw)) {
        throw ToolFailure{subject, "the drawing's sizes overflow with the scale " +
                                       utf16ToUtf8(scale->name) + " = " + jsonNumber(scale->value) +
                                       " (coordinates would not be finite numbers)"};
    }

    // Every output goes to a temporary file first; only when all are complete do they replace
    // the files they are for, so that a failed or interrupted run leaves every one as it was.
    platform::FileReplacements outputs;
    auto stage = [&](const std::filesystem::path& file, std::string_view bytes) {
        try {
            outputs.stage(file, bytes);
        } catch (const platform::FileError& e) {
            throw ToolFailure{pathText(e.path()), e.reason()};
        }
    };
    if (dumpToFile) {
        stage(toPath(*options.dump), json);
        json = {};
    }
    // The drawing goes to its temporary file as it is made: its text is the largest thing the
    // run makes.
    try {
        outputs.stage(output, [&](const platform::ByteWriter& write) {
            if (!streamTableDxf(table, text, settings.cadTof, settings.cellLineDraw, write,
                                drawingOptions(settings))) {
                throw ToolFailure{subject, "the range holds no cells to draw"};
            }
        });
    } catch (const platform::FileError& e) {
        throw ToolFailure{pathText(e.path()), e.reason()};
    }
    // The entities the file holds: for the picture, and to count what the file could not hold.
    const auto entities = buildTableDrawing(table, text, settings.cadTof, settings.cellLineDraw,
                                            drawingOptions(settings));
    const std::size_t replaced = entities ? charactersBeyondEscape(*entities) : std::size_t{0};
    if (options.preview) {
        try {
            stage(*options.preview,
                  pictureBytes(entities.value_or(std::vector<DrawnEntity>{}), *options.preview));
        } catch (const platform::FileError& e) {
            throw ToolFailure{pathText(e.path()), e.reason()};
        }
    }
    // The table on standard output goes before the files are replaced: when it cannot be
    // written, the run fails and leaves them as they were.
    if (options.dump && !dumpToFile) {
        io.out << json << std::flush;
        if (!io.out) throw ToolFailure{"standard output", "the table could not be written"};
    }
    try {
        outputs.commit();
    } catch (const platform::FileError& e) {
        throw ToolFailure{pathText(e.path()), e.reason()};
    }
    if (replaced > 0) {
        io.err << "tabrova-dxf: " << messageText(pathText(output), kSubjectChars) << ": "
               << replaced << (replaced == 1 ? " character" : " characters")
               << " beyond the Basic Multilingual Plane, which DXF texts cannot hold, written as "
                  "U+3013 GETA MARK\n";
    }
    if (!options.quiet && !(options.dump && !dumpToFile)) {
        io.out << pathText(output) << "\n";
        if (options.preview) io.out << pathText(*options.preview) << "\n";
        io.out << std::flush;
        if (!io.out) throw ToolFailure{"standard output", "the paths could not be written"};
    }
    return kExitDone;
}

void appendJsonString(std::string& out, std::u16string_view text) {
    const std::string utf8 = utf16ToUtf8(text);
    out += '"';
    for (unsigned char c : utf8) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    static const char hex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

}  // namespace

std::string jsonNumber(double value) {
    if (!std::isfinite(value)) return "null";  // JSON has no infinities
    if (value == 0) return "0";
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, ec == std::errc() ? end : buffer);
}

std::string tableJson(const DumpInfo& info, const CellTable& table) {
    std::string out;
    auto field = [&](const char* name) {
        out += '"';
        out += name;
        out += "\": ";
    };
    out += "{ ";
    field("workbook");
    appendJsonString(out, info.workbook);
    out += ", ";
    field("sheet");
    appendJsonString(out, info.sheet);
    out += ", ";
    field("first");
    appendJsonString(out, info.first);
    out += ", ";
    field("last");
    appendJsonString(out, info.last);
    out += ", ";
    field("colCount");
    out += std::to_string(table.colCount) + ", ";
    field("rowCount");
    out += std::to_string(table.rowCount) + ",\n  ";
    field("settings");
    out += "{\"cadXsc\": " + jsonNumber(info.cadXsc) + ", \"cadYsc\": " + jsonNumber(info.cadYsc) +
           ", \"cadTsc\": " + jsonNumber(info.cadTsc) + ", \"cadTof\": " + jsonNumber(info.cadTof) +
           ", \"cellLineDraw\": " + (info.cellLineDraw ? "true" : "false") + "},\n  ";
    field("cells");
    out += "[";
    for (std::size_t i = 0; i < table.cells.size(); ++i) {
        const TXlsxCellAttr& c = table.cells[i];
        out += i == 0 ? "\n    { " : ",\n    { ";
        auto integer = [&](const char* name, long long v) {
            field(name);
            out += std::to_string(v) + ", ";
        };
        auto boolean = [&](const char* name, bool v) {
            field(name);
            out += v ? "true, " : "false, ";
        };
        auto real = [&](const char* name, double v, bool last = false) {
            field(name);
            out += jsonNumber(v);
            if (!last) out += ", ";
        };
        integer("colW", c.colW);
        integer("rowH", c.rowH);
        integer("txtSize", c.txtSize);
        integer("txtAlign", c.txtAlign);
        field("str");
        appendJsonString(out, c.str);
        out += ", ";
        integer("lineBits", c.lineBits);
        boolean("cellMerge", c.cellMerge);
        integer("mergerowYscount", c.mergerowYscount);
        integer("mergecolXscount", c.mergecolXscount);
        integer("mergeLeft", c.mergeLeft);
        integer("mergeTop", c.mergeTop);
        integer("mergeW", c.mergeW);
        integer("mergeH", c.mergeH);
        integer("mergeBits", c.mergeBits);
        boolean("mark", c.mark);
        real("drawW", c.drawW);
        real("drawH", c.drawH);
        real("drawMW", c.drawMW);
        real("drawMH", c.drawMH);
        real("drawTH", c.drawTH, true);
        out += " }";
    }
    out += table.cells.empty() ? "] }\n" : "\n  ] }\n";
    return out;
}

int runDxfTool(const std::vector<std::u16string>& args, const std::filesystem::path& executable,
               ToolIo& io) {
    Options options;
    try {
        options = parseArguments(args);
    } catch (const UsageError& e) {
        io.err << "tabrova-dxf: " << messageText(e.message, kReasonChars)
               << "\nTry 'tabrova-dxf --help' for more information.\n";
        return kExitUsage;
    }
    if (options.help) {
        io.out << kUsage;
        return kExitDone;
    }
    if (options.version) {
        io.out << "tabrova-dxf " TABROVA_VERSION "\n";
        return kExitDone;
    }
    try {
        return run(options, executable, io);
    } catch (const ToolFailure& f) {
        io.err << "tabrova-dxf: " << messageText(f.subject, kSubjectChars) << ": "
               << messageText(f.reason, kReasonChars) << "\n";
    } catch (const std::bad_alloc&) {
        const std::string subject = options.clipboard ? std::string("clipboard")
                                    : options.running
                                        ? utf16ToUtf8(options.progId.value_or(u"--running"))
                                        : pathText(options.workbook);
        io.err << "tabrova-dxf: " << messageText(subject, kSubjectChars) << ": out of memory\n";
    }
    return kExitFailed;
}

}  // namespace tabrova::cli
