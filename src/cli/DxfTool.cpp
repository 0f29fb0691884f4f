#include "cli/DxfTool.h"

#include <optional>

#include "cli/ReadProgress.h"
#include "cli/TableJson.h"
#include "cli/ToolArguments.h"
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

// The most of a message's subject (a path, a ProgID) and of its reason shown on the one line;
// the parts quoted from files or arguments are cut shorter where they are made.
constexpr std::size_t kSubjectChars = 400;
constexpr std::size_t kReasonChars = 800;

// The workbook and sheet of the reader's caption "Book1.xlsx [Sheet1]". A sheet's name cannot
// hold brackets, so the last " [" starts it.
std::pair<std::u16string, std::u16string> splitCaption(const std::u16string& caption) {
    const std::size_t open = caption.rfind(u" [");
    if (open == std::u16string::npos || !caption.ends_with(u']')) return {caption, {}};
    return {caption.substr(0, open), caption.substr(open + 2, caption.size() - open - 3)};
}

// The settings file used when none is given: the desktop program's, where it keeps its files
// (beside this executable, or in the user's configuration folder for an unwritable or installed
// executable folder), else, beside this executable, one named after it.
std::optional<std::filesystem::path> defaultSettingsFile(const std::filesystem::path& executable) {
    if (executable.empty()) return std::nullopt;
    const ProgramFiles desktop = programFilesFor(executable.parent_path() / "tabrova");
    std::vector<std::filesystem::path> candidates = {desktop.settingsFile};
    if (!desktop.inUserConfigFolder)
        candidates.push_back(desktop.folder /
                             (executable.stem().native() + std::filesystem::path(".ini").native()));
    std::error_code ec;
    for (const auto& c : candidates)
        if (std::filesystem::is_regular_file(c, ec)) return c;
    return std::nullopt;
}

// What the run's failures name: the clipboard, the running application's ProgID or the workbook.
std::string sourceName(const ToolOptions& options, const std::u16string& progId) {
    if (options.clipboard) return "clipboard";
    return options.running ? utf16ToUtf8(progId) : pathText(options.workbook);
}

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

int run(const ToolOptions& options, const std::filesystem::path& executable, ToolIo& io) {
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
        settings = loadSettings(*settingsFile, io.decimalSeparator);
    }

    // The workbook file, or the running spreadsheet application.
    const std::u16string progId = options.progId.value_or(settings.excelPID);
    const std::string subject = sourceName(options, progId);
    const std::filesystem::path output = outputPath(options);
    // Every output is refused before the workbook is read when it exists and is not a regular file
    // (a device, a named pipe): writing would replace it, or block.
    for (const std::filesystem::path& file : outputFiles(options, output))
        platform::detail::refuseSpecialFile(file);
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
        (dumpToFile && sameFile(platform::pathFromUtf16(*options.dump), options.workbook)) ||
        (options.preview && sameFile(*options.preview, options.workbook))) {
        throw ToolFailure{subject, "an output file would replace the workbook itself"};
    }
    // A coordinate the file cannot hold fails the run before anything is written.
    const DrawingRequest request = drawingRequest(table, text, settings, settings.cellLineDraw);
    if (const auto scale = nonFiniteScale(request)) {
        throw ToolFailure{subject, "the drawing's sizes overflow with the scale " +
                                       utf16ToUtf8(scale->name) + " = " + jsonNumber(scale->value) +
                                       " (coordinates would not be finite numbers)"};
    }

    // Every output goes to a temporary file first; only when all are complete do they replace
    // the files they are for, so that a failed or interrupted run leaves every one as it was.
    platform::FileReplacements outputs;
    if (dumpToFile) {
        outputs.stage(platform::pathFromUtf16(*options.dump), json);
        json = {};
    }
    // The drawing goes to its temporary file as it is made: its text is the largest thing the
    // run makes.
    outputs.stage(output, [&](const platform::ByteWriter& write) {
        if (!streamTableDxf(request, write)) {
            throw ToolFailure{subject, "the range holds no cells to draw"};
        }
    });
    // The entities the file holds: for the picture, and to count what the file could not hold.
    const auto entities = buildTableDrawing(request);
    const std::size_t replaced = entities ? charactersBeyondEscape(*entities) : std::size_t{0};
    if (options.preview) {
        outputs.stage(*options.preview, pictureBytes(entities.value_or(std::vector<DrawnEntity>{}),
                                                     *options.preview));
    }
    // The table on standard output goes before the files are replaced: when it cannot be
    // written, the run fails and leaves them as they were.
    if (options.dump && !dumpToFile) {
        io.out << json << std::flush;
        if (!io.out) throw ToolFailure{"standard output", "the table could not be written"};
    }
    outputs.commit();
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

}  // namespace

int runDxfTool(const std::vector<std::u16string>& args, const std::filesystem::path& executable,
               ToolIo& io) {
    ToolOptions options;
    try {
        options = parseArguments(args);
    } catch (const UsageError& e) {
        io.err << "tabrova-dxf: " << messageText(e.message, kReasonChars)
               << "\nTry 'tabrova-dxf --help' for more information.\n";
        return kExitUsage;
    }
    if (options.help) {
        io.out << toolUsage();
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
    } catch (const platform::FileError& e) {
        // A file that cannot be read or written (the settings, an output) names itself.
        io.err << "tabrova-dxf: " << messageText(pathText(e.path()), kSubjectChars) << ": "
               << messageText(e.reason(), kReasonChars) << "\n";
    } catch (const std::bad_alloc&) {
        // The settings, and with them the default ProgID, may not have been read.
        const std::string subject = sourceName(options, options.progId.value_or(u"--running"));
        io.err << "tabrova-dxf: " << messageText(subject, kSubjectChars) << ": out of memory\n";
    }
    return kExitFailed;
}

}  // namespace tabrova::cli
