#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/DxfTool.h"
#include "cli/TableJson.h"
#include "platform/Utf8.h"
#include "support/WorkbookObjects.h"
#include "workbook/TestWorkbooks.h"

namespace tabrova::cli {
namespace {

using workbook::testing::buildXlsx;
using workbook::testing::TempDir;

struct ToolRun {
    int status = 0;
    std::string out;
    std::string err;
};

// Standard output that takes nothing, as a full disk or a closed pipe.
class FailingOutput : public std::streambuf {
    int overflow(int) override { return traits_type::eof(); }
    std::streamsize xsputn(const char*, std::streamsize) override { return 0; }
};

// Arguments are bytes, as the command line gives them.
ToolRun runTool(const std::vector<std::string>& args, char16_t decimalSeparator = u'.',
                bool outputFails = false) {
    std::vector<std::u16string> wide;
    for (const auto& a : args) wide.push_back(bytesToUtf16(a));
    std::ostringstream out, err;
    FailingOutput failing;
    std::ostream failingOut(&failing);
    ToolIo io{outputFails ? failingOut : out, err, false, decimalSeparator};
    ToolRun run;
    run.status = runDxfTool(wide, {}, io);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A workbook with a 3 x 3 table at B2:D4 (saved selection) and a second sheet "Other".
std::filesystem::path tableWorkbook(const TempDir& dir) {
    return buildXlsx(dir / "Book1.xlsx", [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "Sheet1");
        lxw_worksheet* other = workbook_add_worksheet(wb, "Other");
        lxw_format* boxed = workbook_add_format(wb);
        format_set_border(boxed, LXW_BORDER_THIN);
        worksheet_write_string(ws, 1, 1, "abc", boxed);
        worksheet_write_number(ws, 1, 2, 123, boxed);
        worksheet_merge_range(ws, 2, 1, 3, 2, "merged", boxed);
        worksheet_write_string(ws, 3, 3, "\"quoted\"\\", nullptr);
        worksheet_set_selection(ws, 1, 1, 3, 3);
        worksheet_write_string(other, 4, 2, "other", nullptr);
        worksheet_set_selection(other, 4, 2, 4, 2);
    });
}

TEST(DxfTool, UsageErrorsExitWithTwoAndWriteNothing) {
    TempDir dir;
    const std::string book = tableWorkbook(dir).string();
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--bogus", book},
        {book, "other.xlsx"},
        {"-o"},
        {book, "--range", "B2:"},
        {book, "--range", "XFE1"},
        {book, "--quiet=yes"},
        {book, "--dump-table", ""},
        {book, "--preview", "picture.jpg"},
        {book, "--preview", ""},
        {book, "--running", "-o", "out.dxf"},
        {"--running", "--sheet", "Sheet1", "-o", "out.dxf"},
        {"--running", "--range", "B2", "-o", "out.dxf"},
        {"--running"},
        {"--running=yes", "-o", "out.dxf"},
        {book, "--progid", "Excel.Application"},
        {"--running", "--progid", "", "-o", "out.dxf"},
        {"--clipboard"},
        {"--clipboard", book, "-o", "out.dxf"},
        {"--clipboard", "--running", "-o", "out.dxf"},
        {"--clipboard", "--range", "B2", "-o", "out.dxf"},
        {"--clipboard", "--progid", "Excel.Application", "-o", "out.dxf"},
        {"--clipboard=yes", "-o", "out.dxf"},
    };
    for (const auto& args : cases) {
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.status, kExitUsage) << run.err;
        EXPECT_NE(run.err.find("tabrova-dxf: "), std::string::npos);
        EXPECT_TRUE(run.out.empty());
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "Book1.dxf"));
    const ToolRun help = runTool({"--help"});
    EXPECT_EQ(help.status, kExitDone);
    EXPECT_NE(help.out.find("--dump-table FILE|-"), std::string::npos);
    EXPECT_NE(help.out.find("--clipboard -o FILE"), std::string::npos);
    // The manual page's header is made from this line: the name and the build's version.
    const ToolRun version = runTool({"--version"});
    EXPECT_EQ(version.status, kExitDone);
    EXPECT_EQ(version.out, "tabrova-dxf " TABROVA_VERSION "\n");
    EXPECT_EQ(runTool({"--version=1"}).status, kExitUsage);
}

#if !defined(_WIN32)
// Without a display there is no clipboard: one line that says so, nothing written.
TEST(DxfTool, ClipboardWithoutADisplayIsOneLine) {
    TempDir dir;
    const std::string saved = std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "";
    const std::string savedWayland =
        std::getenv("WAYLAND_DISPLAY") ? std::getenv("WAYLAND_DISPLAY") : "";
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    const ToolRun run = runTool({"--clipboard", "-o", (dir / "c.dxf").string()});
    if (!saved.empty()) setenv("DISPLAY", saved.c_str(), 1);
    if (!savedWayland.empty()) setenv("WAYLAND_DISPLAY", savedWayland.c_str(), 1);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(lines(run.err), 1u) << run.err;
    EXPECT_TRUE(run.err.starts_with("tabrova-dxf: clipboard: ")) << run.err;
    EXPECT_NE(run.err.find("display"), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "c.dxf"));
}
#endif

TEST(DxfTool, BadInputExitsWithOneOnOneLineNamingTheFile) {
    TempDir dir;
    const auto book = tableWorkbook(dir);
    std::ofstream(dir / "text.xlsx") << "not a workbook";
    struct Case {
        std::vector<std::string> args;
        std::string names;
        std::string reason;
    } cases[] = {
        {{(dir / "missing.xlsx").string()}, "missing.xlsx", "No such file"},
        {{(dir / "text.xlsx").string()}, "text.xlsx", "not a zip archive"},
        {{book.string(), "--sheet", "Nope"}, "Book1.xlsx", "no sheet named \"Nope\""},
        {{book.string(), "--sheet", "a\nb\x1b[2J" + std::string(100, 'c')},
         "Book1.xlsx",
         "no sheet named \"a\\nb\\x1b[2J" + std::string(73, 'c') + "\xE2\x80\xA6\""},
        {{book.string(), "--settings", (dir / "none.ini").string()}, "none.ini", "No such file"},
        {{book.string(), "-o", (dir / "no-such-folder" / "out.dxf").string()}, "out.dxf", ""},
        {{book.string(), "--dump-table", (dir / "no-such-folder" / "t.json").string()},
         "t.json",
         ""},
        {{book.string(), "-o", book.string()}, "Book1.xlsx", "replace the workbook"},
        {{book.string(), "--dump-table", (dir / "." / "Book1.xlsx").string()},
         "Book1.xlsx",
         "replace the workbook"},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool(c.args);
        EXPECT_EQ(run.status, kExitFailed) << c.names;
        EXPECT_EQ(lines(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find(c.names), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
    // Nothing was left behind by the failed runs.
    EXPECT_FALSE(std::filesystem::exists(dir / "Book1.dxf"));
    EXPECT_FALSE(std::filesystem::exists(dir / "text.dxf"));

    // No spreadsheet runs under that ProgID: the line names the ProgID.
    const ToolRun running =
        runTool({"--running", "--progid", "Tabrova.NoSuchSheet", "-o", (dir / "r.dxf").string()});
    EXPECT_EQ(running.status, kExitFailed);
    EXPECT_EQ(running.err,
              "tabrova-dxf: Tabrova.NoSuchSheet: the spreadsheet could not be attached (ProgId : "
              "Tabrova.NoSuchSheet は無効です.)\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "r.dxf"));
}

// A run replaces all the outputs it was asked for or none: whatever fails, and wherever,
// every old output stays as it was and no temporary file is left.
TEST(DxfTool, AFailedRunLeavesEveryOutputAsItWas) {
    TempDir dir;
    const std::string book = tableWorkbook(dir).string();
    const std::string dxf = (dir / "Book1.dxf").string(), json = (dir / "t.json").string(),
                      svg = (dir / "p.svg").string();
    int settingsFiles = 0;
    auto settings = [&](const std::string& line) {
        const auto file = dir / ("s" + std::to_string(++settingsFiles) + ".ini");
        std::ofstream(file) << "[Varnekto]\n" << line << "\n";
        return file.string();
    };
    std::filesystem::create_directory(dir / "d.svg");
    const struct {
        std::vector<std::string> args;
        bool outputFails;
        std::string reason;
    } cases[] = {
        {{"--preview", (dir / "none" / "p.svg").string(), "--dump-table", json}, false, "p.svg"},
        {{"--preview", (dir / "d.svg").string()}, false, "d.svg: Is a directory"},
        {{"--dump-table", "-", "--preview", svg}, true, "standard output"},
        {{"--settings", settings("cadXsc=1e308")}, false, "the scale cadXsc = 1e+308"},
        {{"--settings", settings("cadYsc=-1e308")}, false, "the scale cadYsc = -1e+308"},
        {{"--settings", settings("cadTsc=1e308")}, false, "the scale cadTsc = 1e+308"},
        {{"--settings", settings("cadTof=1e308")}, false, "the scale cadTof = 1e+308"},
    };
    for (const auto& c : cases) {
        for (const auto& file : {dxf, json, svg}) std::ofstream(file) << "old";
        std::vector<std::string> args = {book, "--dump-table", json, "--preview", svg};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const ToolRun run = runTool(args, u'.', c.outputFails);
        EXPECT_EQ(run.status, kExitFailed) << c.reason;
        EXPECT_EQ(lines(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
        for (const auto& file : {dxf, json, svg}) EXPECT_EQ(readFile(file), "old") << c.reason;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
            EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
    }
    // Zero and negative scales draw as they are.
    for (const char* line : {"cadXsc=0", "cadYsc=-3", "cadTsc=5e-324"}) {
        EXPECT_EQ(runTool({book, "-q", "--settings", settings(line)}).status, kExitDone) << line;
    }
}

TEST(DxfTool, OutputsThatAreNotRegularFilesAreRefusedBeforeReading) {
    TempDir dir;
    const std::string book = tableWorkbook(dir).string();
    std::error_code ec;
    if (!std::filesystem::is_character_file("/dev/null", ec)) GTEST_SKIP() << "no /dev/null";
    for (const char* option : {"-o", "--dump-table"}) {
        const ToolRun run = runTool({book, option, "/dev/null"});
        EXPECT_EQ(run.status, kExitFailed) << option;
        EXPECT_EQ(run.err, "tabrova-dxf: /dev/null: not a regular file (a character device)\n");
    }
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null", ec));
    EXPECT_FALSE(std::filesystem::exists(dir / "Book1.dxf"));
}

// A name that is not UTF-8 (possible on Linux) is used as its bytes, and shown escaped.
TEST(DxfTool, FileNamesThatAreNotUtf8AreUsedByteForByte) {
    if (std::filesystem::path::preferred_separator != '/') GTEST_SKIP() << "names are UTF-16";
    TempDir dir;
    const std::filesystem::path book = dir / "Book\xFF\x1b.xlsx";
    std::filesystem::copy_file(tableWorkbook(dir), book);
    const ToolRun run = runTool({book.string(), "-q"});
    EXPECT_EQ(run.status, kExitDone) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "Book\xFF\x1b.dxf"));
    const ToolRun missing = runTool({(dir / "x\xFE.xlsx").string()});
    EXPECT_NE(missing.err.find("/x\\xfe.xlsx: No such file"), std::string::npos) << missing.err;
}

TEST(DxfTool, RangesAndSheetsTheWorkbookCannotGiveAreClearErrors) {
    TempDir dir;
    const std::string book = tableWorkbook(dir).string();
    // Ranges that do not parse or leave the sheet: usage errors quoting the range.
    for (const char* range : {"A1:A1048577", "A0", "XFD1:XFE1", "1A", "B2:C", "", "Sheet1!A1"}) {
        const ToolRun run = runTool({book, "--range", range});
        EXPECT_EQ(run.status, kExitUsage) << range;
        EXPECT_NE(run.err.find(std::string("--range \"") + range + "\""), std::string::npos)
            << run.err;
    }
    // A workbook without sheets, a range over the limit, a sheet that is not there: the
    // workbook and the reason on one line.
    auto parts = workbook::testing::minimalParts(workbook::testing::sheetXml("<sheetData/>"));
    for (auto& [name, content] : parts) {
        if (name == "xl/workbook.xml") {
            content =
                R"(<?xml version="1.0"?><workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheets/></workbook>)";
        }
    }
    const auto empty = workbook::testing::writeZip(dir / "NoSheets.xlsx", parts);
    struct Case {
        std::vector<std::string> args;
        std::string names;
        std::string reason;
    } cases[] = {
        {{empty.string()}, "NoSheets.xlsx", "lists no sheets"},
        {{book, "--range", "A1:A1000001"}, "Book1.xlsx", "too large to read (more than 1000000"},
        {{book, "--range", "A1:XFD1048576"}, "Book1.xlsx", "too large"},
        {{book, "--sheet", "Sheet2"}, "Book1.xlsx", "no sheet named \"Sheet2\""},
        {{book, "--sheet", ""}, "Book1.xlsx", "no sheet named \"\""},
    };
    for (const Case& c : cases) {
        const ToolRun run = runTool(c.args);
        EXPECT_EQ(run.status, kExitFailed) << c.reason;
        EXPECT_EQ(lines(run.err), 1u) << run.err;
        EXPECT_NE(run.err.find(c.names), std::string::npos) << run.err;
        EXPECT_NE(run.err.find(c.reason), std::string::npos) << run.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "Book1.dxf"));
    EXPECT_FALSE(std::filesystem::exists(dir / "NoSheets.dxf"));
}

TEST(DxfTool, RunningSpreadsheetsSelectionIsDrawn) {
    TempDir dir;
    // A workbook open as the running application of the ProgID, as a spreadsheet program would
    // serve it.
    workbook::OpenWorkbook running(tableWorkbook(dir), u"Tabrova.RunningSheet");
    const ToolRun run = runTool({"--running", "--progid", "Tabrova.RunningSheet", "-o",
                                 (dir / "r.dxf").string(), "--dump-table", "-"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_NE(run.out.find(R"("workbook": "Book1.xlsx")"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(R"("sheet": "Sheet1")"), std::string::npos);
    EXPECT_NE(run.out.find(R"("last": "D4")"), std::string::npos);
    EXPECT_NE(readFile(dir / "r.dxf").find("merged"), std::string::npos);
}

// Without --settings the tool takes the desktop program's settings file where the desktop program
// keeps it, else one named after the tool beside it; an installed tool never takes a file beside
// it, since the desktop program keeps its files in the user's folder then.
TEST(DxfTool, TheDefaultSettingsFileIsTheDesktopProgramsWhereItKeepsIt) {
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;  // beside the tool: name, cadTof
        bool installed;
        const char* cadTof;  // as the dump shows it; nullptr: neither file beside the tool
    } cases[] = {
        {"none", {}, false, "0.8"},
        {"the desktop program's", {{"tabrova.ini", "1.5"}}, false, "1.5"},
        {"the tool's own", {{"tabrova-dxf.ini", "2.5"}}, false, "2.5"},
        {"both", {{"tabrova-dxf.ini", "2.5"}, {"tabrova.ini", "1.5"}}, false, "1.5"},
        {"installed", {{"tabrova.ini", "1.5"}, {"tabrova-dxf.ini", "2.5"}}, true, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const auto bin = dir / "prefix" / "bin";
        std::filesystem::create_directories(bin);
        for (const auto& [name, value] : c.files)
            std::ofstream(bin / name) << "[Varnekto]\ncadTof=" << value << "\n";
        if (c.installed) {
            std::filesystem::create_directories(dir / "prefix" / "share" / "tabrova");
            std::ofstream(dir / "prefix" / "share" / "tabrova" / "installed");
        }
        const std::string book = tableWorkbook(dir).string();
        std::ostringstream out, err;
        ToolIo io{out, err, false, u'.'};
        ASSERT_EQ(
            runDxfTool({bytesToUtf16(book), u"-q", u"--dump-table", u"-"}, bin / "tabrova-dxf", io),
            kExitDone)
            << err.str();
        const auto shows = [&](const char* value) {
            return out.str().find(std::string("\"cadTof\": ") + value) != std::string::npos;
        };
        if (c.cadTof)
            EXPECT_TRUE(shows(c.cadTof)) << out.str().substr(0, 300);
        else
            EXPECT_FALSE(shows("1.5") || shows("2.5")) << out.str().substr(0, 300);
    }
}

TEST(DxfTool, DrawsTheSavedSelectionAndDumpsTheTable) {
    TempDir dir;
    const auto book = tableWorkbook(dir);
    const ToolRun run = runTool({book.string(), "--dump-table", (dir / "t.json").string()});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_TRUE(run.err.empty());
    EXPECT_EQ(run.out, (dir / "Book1.dxf").string() + "\n");
    const std::string dxf = readFile(dir / "Book1.dxf");
    EXPECT_EQ(dxf.rfind("  0\r\nSECTION", 0), 0u) << dxf.substr(0, 40);
    EXPECT_NE(dxf.find("merged"), std::string::npos);
    EXPECT_NE(dxf.find("XLSBordLine"), std::string::npos);

    const std::string json = readFile(dir / "t.json");
    for (
        const char* expected :
        {R"("workbook": "Book1.xlsx")", R"("sheet": "Sheet1")", R"("first": "B2")",
         R"("last": "D4")", R"("colCount": 3)", R"("rowCount": 3)",
         R"("settings": {"cadXsc": 3, "cadYsc": 0.43, "cadTsc": 0.27, "cadTof": 0.8, "cellLineDraw": true})",
         R"({ "colW": 8, "rowH": 15, "txtSize": 11, "txtAlign": 0, "str": "abc", "lineBits": 15,)",
         R"("str": "123")", R"("txtAlign": 3)", R"("str": "\"quoted\"\\")",
         R"("cellMerge": true, "mergerowYscount": 2, "mergecolXscount": 2, "mergeLeft": 48, "mergeTop": 30,)",
         R"("drawW": 24, "drawH": 6.45,)"}) {
        EXPECT_NE(json.find(expected), std::string::npos) << expected << "\n" << json;
    }
}

TEST(DxfTool, CharactersBeyondTheBmpBecomeGetaMarksAndAreCounted) {
    TempDir dir;
    const auto book = buildXlsx(dir / "names.xlsx", [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "Sheet1");
        worksheet_write_string(ws, 0, 0, "\xF0\xA0\xAE\xB7野家", nullptr);  // 𠮷野家
        worksheet_write_string(ws, 1, 0, "\xF0\xA9\xB8\xBD \xF0\x9F\x98\x80", nullptr);  // 𩸽 😀
        worksheet_set_selection(ws, 0, 0, 1, 0);
    });
    const ToolRun run = runTool({book.string(), "-q"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(lines(run.err), 1u) << run.err;
    EXPECT_NE(run.err.find(": 3 characters beyond the Basic Multilingual Plane"), std::string::npos)
        << run.err;
    const std::string dxf = readFile(dir / "names.dxf");
    EXPECT_NE(dxf.find("\x81\xAC\x96\xEC\x89\xC6"), std::string::npos) << "〓野家 in code page 932";
    EXPECT_EQ(dxf.find("\\U+D8"), std::string::npos) << "no escaped surrogate halves";
}

TEST(DxfTool, PreviewWritesPngOrSvgByExtension) {
    TempDir dir;
    const auto book = tableWorkbook(dir);
    const ToolRun run = runTool({book.string(), "--preview", (dir / "p.PNG").string(), "--preview",
                                 (dir / "p.png").string()});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_EQ(run.out, (dir / "Book1.dxf").string() + "\n" + (dir / "p.png").string() + "\n");
    const std::string png = readFile(dir / "p.png");
    ASSERT_GT(png.size(), 24u);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Width and height (big-endian, after the signature and the IHDR header): the legible scale
    // makes a table of three small columns several hundred pixels wide.
    auto be32 = [&png](std::size_t at) {
        return (static_cast<unsigned>(static_cast<unsigned char>(png[at])) << 24) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 1])) << 16) |
               (static_cast<unsigned>(static_cast<unsigned char>(png[at + 2])) << 8) |
               static_cast<unsigned>(static_cast<unsigned char>(png[at + 3]));
    };
    EXPECT_GE(be32(16), 320u);
    EXPECT_GE(be32(20), 100u);

    const ToolRun svgRun = runTool({book.string(), "-q", "--preview", (dir / "p.svg").string()});
    ASSERT_EQ(svgRun.status, kExitDone) << svgRun.err;
    const std::string svg = readFile(dir / "p.svg");
    EXPECT_NE(svg.find("<svg "), std::string::npos);
    EXPECT_NE(svg.find(">merged</text>"), std::string::npos);
    EXPECT_NE(svg.find("text-anchor=\"end\" fill=\"#000000\">123</text>"), std::string::npos);
    EXPECT_NE(svg.find("&quot;quoted&quot;\\</text>"), std::string::npos);

    // A picture that cannot be written: the failure names it.
    const ToolRun bad =
        runTool({book.string(), "-q", "--preview", (dir / "missing" / "p.svg").string()});
    EXPECT_EQ(bad.status, kExitFailed);
    EXPECT_NE(bad.err.find("p.svg"), std::string::npos) << bad.err;
}

TEST(DxfTool, RangeSheetSettingsAndDumpToStandardOutput) {
    TempDir dir;
    const auto book = tableWorkbook(dir);
    std::ofstream(dir / "my.ini") << "[Varnekto]\ncadXsc=2,5\ncellLineDraw=0\n";
    const ToolRun run = runTool(
        {book.string(), "--sheet", "other", "--range", "c5", "-o", (dir / "out.dxf").string(),
         "--settings", (dir / "my.ini").string(), "--dump-table", "-"},
        u',');
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "out.dxf"));
    EXPECT_NE(run.out.find(R"("sheet": "Other", "first": "C5", "last": "C5", "colCount": 1)"),
              std::string::npos)
        << run.out;
    EXPECT_NE(run.out.find(R"("cadXsc": 2.5)"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(R"("cellLineDraw": false)"), std::string::npos);
    EXPECT_NE(run.out.find(R"("str": "other")"), std::string::npos);
    EXPECT_NE(run.out.find(R"("drawW": 20)"), std::string::npos);  // 8 * 2.5
    EXPECT_EQ(run.out.find("out.dxf"), std::string::npos);  // standard output holds the JSON only

    const ToolRun quiet = runTool({book.string(), "-q"});
    EXPECT_EQ(quiet.status, kExitDone);
    EXPECT_TRUE(quiet.out.empty());
    EXPECT_TRUE(quiet.err.empty());
}

TEST(DxfTool, DrawingOptionsComeFromTheSettingsFile) {
    TempDir dir;
    const auto book = buildXlsx(dir / "styled.xlsx", [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "S");
        lxw_format* f = workbook_add_format(wb);
        format_set_border(f, LXW_BORDER_THICK);
        format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
        format_set_text_wrap(f);
        worksheet_write_string(ws, 0, 0, "one two three four five", f);
    });
    const auto dxf = dir / "styled.dxf";
    ASSERT_EQ(runTool({book.string(), "-q"}).status, kExitDone);
    const std::string plain = readFile(dxf);
    std::ofstream(dir / "opt.ini") << "[Options]\nborderStyles=1\nverticalAlign=1\nwrapText=1\n";
    ASSERT_EQ(runTool({book.string(), "-q", "--settings", (dir / "opt.ini").string()}).status,
              kExitDone);
    const std::string styled = readFile(dxf);
    EXPECT_EQ(plain.find("XLSBordLine_Thick"), std::string::npos);
    EXPECT_NE(styled.find("LINE\r\n  8\r\nXLSBordLine_Thick\r\n"), std::string::npos);
    // Wrapped into several lines at the top of the cell: group 73 is 3.
    auto texts = [](const std::string& file) {
        std::size_t n = 0;
        for (auto at = file.find("\nTEXT\r"); at != std::string::npos;
             at = file.find("\nTEXT\r", at + 1))
            ++n;
        return n;
    };
    EXPECT_EQ(texts(plain), 1u);
    EXPECT_GT(texts(styled), 1u);
    EXPECT_NE(styled.find(" 73\r\n3\r\n"), std::string::npos);
    EXPECT_EQ(plain.find(" 73\r\n3\r\n"), std::string::npos);
}

TEST(DxfTool, MixedFontSizesReadTheFirstCharactersSize) {
    TempDir dir;
    const auto book = buildXlsx(dir / "rich.xlsx", [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "S");
        lxw_format* large = workbook_add_format(wb);
        format_set_font_size(large, 20);
        char small[] = "ab", big[] = "CD";
        lxw_rich_string_tuple first = {.format = nullptr, .string = small};
        lxw_rich_string_tuple second = {.format = large, .string = big};
        lxw_rich_string_tuple* rich[] = {&first, &second, nullptr};
        worksheet_write_rich_string(ws, 0, 0, rich, nullptr);
    });
    const ToolRun run = runTool({book.string(), "-q", "--dump-table", "-"});
    ASSERT_EQ(run.status, kExitDone) << run.err;
    EXPECT_NE(run.out.find(R"("txtSize": 11, "txtAlign": 0, "str": "abCD")"), std::string::npos)
        << run.out;
}

// Every Excel-made workbook of the corpus converts, or fails with one line naming it.
TEST(DxfTool, EveryCorpusWorkbookConverts) {
    const std::filesystem::path corpus = TABROVA_XLSX_CORPUS_DIR;
    std::error_code ec;
    if (!std::filesystem::is_directory(corpus, ec)) GTEST_SKIP() << "no workbooks in " << corpus;
    TempDir dir;
    int converted = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        if (entry.path().extension() != ".xlsx") continue;
        const auto out = dir / (entry.path().stem().string() + ".dxf");
        const ToolRun run = runTool({entry.path().string(), "-q", "-o", out.string()});
        if (run.status == kExitDone) {
            ++converted;
            EXPECT_TRUE(std::filesystem::exists(out)) << entry.path();
        } else {
            EXPECT_EQ(run.status, kExitFailed) << entry.path();
            EXPECT_EQ(lines(run.err), 1u) << run.err;
            EXPECT_NE(run.err.find(entry.path().filename().string()), std::string::npos) << run.err;
            EXPECT_FALSE(std::filesystem::exists(out)) << entry.path();
        }
    }
    EXPECT_GT(converted, 100);
}

TEST(DxfTool, JsonNumbersReadBackToTheSameValue) {
    for (double v :
         {0.0, 24.0, 6.02, 0.1 + 0.2, 1.0 / 3.0, 1e300, 5e-324, -2.97, 123456789012345678.0}) {
        const std::string text = jsonNumber(v);
        EXPECT_EQ(std::strtod(text.c_str(), nullptr), v) << text;
    }
    EXPECT_EQ(jsonNumber(24), "24");
    EXPECT_EQ(jsonNumber(6.02), "6.02");
    EXPECT_EQ(jsonNumber(-0.0), "0");
}

}  // namespace
}  // namespace tabrova::cli
