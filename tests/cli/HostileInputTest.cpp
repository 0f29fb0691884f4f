// Hostile XML Spreadsheet 2003 and OpenDocument files through the command-line tool: each is
// refused with exit status 1 and one line naming the file and the reason, writing nothing, or
// read correctly; in a bounded time. The large inputs (up to about 10 MB) are made here.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <vector>

#include "cli/DxfTool.h"
#include "platform/ProgramPaths.h"
#include "platform/Utf8.h"
#include "workbook/TestWorkbooks.h"

namespace tabrova::cli {
namespace {

using workbook::testing::TempDir;
using workbook::testing::writeZip;

constexpr std::size_t kMiB = std::size_t{1} << 20;

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// Elements nested `levels` deep, their names varying.
std::string nest(int levels) {
    std::vector<std::string> names;
    std::string out;
    for (int i = 0; i < levels; ++i) {
        names.push_back("n" + std::to_string(static_cast<long long>(i) * 7919 % 4093));
        out += "<" + names.back() + ">";
    }
    for (auto name = names.rbegin(); name != names.rend(); ++name) out += "</" + *name + ">";
    return out;
}

// Entities each ten times the one before: a kilobyte grows to a terabyte when expanded.
std::string expandingEntities(const std::string& root) {
    std::string decl = "<!DOCTYPE " + root + " [<!ENTITY a \"" + std::string(1000, 'x') + "\">";
    for (char c = 'b'; c <= 'j'; ++c)
        decl += std::string("<!ENTITY ") + c + " \"" +
                repeat(std::string("&") + char(c - 1) + ";", 10) + "\">";
    return decl + "]>";
}

struct Hostile {
    const char* name;
    std::string bytes;
    // A piece of the one line of a refusal; empty where the file is read, and then a piece of
    // the table's dump.
    std::string reason;
    std::string dumped = {};
};

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

void runCases(const std::vector<Hostile>& cases, const std::string& extension) {
    TempDir dir;
    for (const Hostile& c : cases) {
        SCOPED_TRACE(c.name);
        const auto path = dir / (std::string("book") + extension);
        const auto out = dir / "book.dxf";
        std::filesystem::remove(out);
        { std::ofstream(path, std::ios::binary) << c.bytes; }
        std::ostringstream stdOut, stdErr;
        ToolIo io{stdOut, stdErr, false, u'.'};
        const auto start = std::chrono::steady_clock::now();
        const std::vector<std::u16string> args = {
            platform::pathToUtf16(path), u"-q",           u"-o",
            platform::pathToUtf16(out),  u"--dump-table", u"-"};
        const int status = runDxfTool(args, {}, io);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        const std::string err = stdErr.str();
        if (c.reason.empty()) {
            EXPECT_EQ(status, kExitDone) << err;
            EXPECT_TRUE(std::filesystem::exists(out));
            EXPECT_NE(stdOut.str().find(c.dumped), std::string::npos)
                << stdOut.str().substr(0, 2000);
        } else {
            EXPECT_EQ(status, kExitFailed) << err;
            EXPECT_EQ(lines(err), 1u) << err;
            EXPECT_NE(err.find(path.filename().string()), std::string::npos) << err;
            EXPECT_NE(err.find(c.reason), std::string::npos) << err;
            EXPECT_TRUE(stdOut.str().empty());
            EXPECT_FALSE(std::filesystem::exists(out));
        }
    }
}

std::string spreadsheetMl(const std::string& table, const std::string& styles = {}) {
    return R"(<?xml version="1.0"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet" xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet"><Styles>)" +
           styles + R"(</Styles><Worksheet ss:Name="S"><Table>)" + table +
           "</Table></Worksheet></Workbook>";
}

std::string ssCell(const std::string& attributes, const std::string& text = "x") {
    return "<Cell " + attributes + R"(><Data ss:Type="String">)" + text + "</Data></Cell>";
}

TEST(HostileInput, XmlSpreadsheetDocuments) {
    const std::string good = spreadsheetMl("<Row>" + ssCell("") + "</Row>");
    std::string chain;
    for (int i = 0; i < 100'000; ++i)
        chain += R"(<Style ss:ID="s)" + std::to_string(i) + R"(" ss:Parent="s)" +
                 std::to_string(i + 1) + R"("/>)";
    const std::string text(1000, 't');
    const std::vector<Hostile> cases = {
        {"empty", "", "empty"},
        {"not XML", "just some text\n", "not"},
        {"another kind of XML", R"(<?xml version="1.0"?><html><body/></html>)", "<html>"},
        {"truncated", good.substr(0, good.size() - 40), "ends before it is complete"},
        {"DTD", R"(<?xml version="1.0"?><!DOCTYPE Workbook>)" + good.substr(good.find("<Workbook")),
         "document type declaration"},
        {"external entity",
         R"(<?xml version="1.0"?><!DOCTYPE W [<!ENTITY e SYSTEM "file:///etc/passwd">]>)" +
             good.substr(good.find("<Workbook")),
         "document type declaration"},
        {"expanding entities",
         R"(<?xml version="1.0"?>)" + expandingEntities("Workbook") +
             spreadsheetMl("<Row>" + ssCell("", "&j;") + "</Row>").substr(21),
         "document type declaration"},
        {"deep nesting", spreadsheetMl("<Row>" + ssCell("", nest(1'000'000)) + "</Row>"),
         "nest more than 64 deep"},
        {"huge attribute",
         spreadsheetMl("<Row><Cell ss:StyleID=\"" + std::string(10 * kMiB, 's') + "\"/></Row>"),
         "longer than 64 KiB"},
        {"huge text", spreadsheetMl("<Row>" + ssCell("", std::string(10 * kMiB, 't')) + "</Row>"),
         "", std::string(32767, 't') + "\""},
        {"many long texts",
         spreadsheetMl(repeat("<Row>" + repeat(ssCell("", text), 100) + "</Row>", 100)), "",
         "\"last\": \"A1\""},
        {"encoding that lies",
         R"(<?xml version="1.0" encoding="UTF-16"?>)" + good.substr(good.find("<Workbook")),
         "encoding"},
        {"Shift_JIS that is not",
         R"(<?xml version="1.0" encoding="Shift_JIS"?>)" +
             spreadsheetMl("<Row>" + ssCell("", "\x81\x7F\xFF\xFE") + "</Row>").substr(21),
         "not well-formed"},
        {"index past the edge", spreadsheetMl("<Row>" + ssCell("ss:Index=\"16385\"") + "</Row>"),
         "ss:Index \"16385\" lies outside the sheet"},
        {"index past 32 bits",
         spreadsheetMl("<Row>" + ssCell("ss:Index=\"4294967297\"") + "</Row>"),
         "lies outside the sheet"},
        {"row index past the edge", spreadsheetMl(R"(<Row ss:Index="1048577"/>)"),
         "lies outside the sheet"},
        {"merge across past the edge",
         spreadsheetMl("<Row>" + ssCell("ss:Index=\"16384\" ss:MergeAcross=\"1\"") + "</Row>"),
         "reaches past the sheet's edge"},
        {"merge down past the edge",
         spreadsheetMl(R"(<Row ss:Index="1048576">)" + ssCell("ss:MergeDown=\"1000000000\"") +
                       "</Row>"),
         "reaches past the sheet's edge"},
        {"span of a billion", spreadsheetMl(R"(<Column ss:Span="1000000000"/>)"),
         "reaches past the sheet's edge"},
        {"overlapping merges",
         spreadsheetMl("<Row>" + ssCell("ss:MergeAcross=\"2\" ss:MergeDown=\"2\"") + "</Row><Row>" +
                       ssCell("ss:Index=\"2\" ss:MergeAcross=\"2\"") + "</Row>"),
         "", "\"first\": \"A1\""},
        {"missing parent",
         spreadsheetMl("<Row>" + ssCell("ss:StyleID=\"a\"") + "</Row>",
                       R"(<Style ss:ID="a" ss:Parent="none"/>)"),
         "none"},
        {"circular parents",
         spreadsheetMl("<Row>" + ssCell("ss:StyleID=\"s0\"") + "</Row>",
                       chain + R"(<Style ss:ID="s100000" ss:Parent="s0"/>)"),
         "its own ancestor"},
        {"infinite number",
         spreadsheetMl(R"(<Row><Cell><Data ss:Type="Number">1e999</Data></Cell></Row>)"),
         "not a finite number"},
        {"width not a number", spreadsheetMl(R"(<Column ss:Width="NaN"/>)"), "not a finite number"},
    };
    runCases(cases, ".xml");
}

std::string fods(const std::string& rows, const std::string& styles = {},
                 const std::string& root = "office:document") {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<)" + root +
           R"( xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0" office:mimetype="application/vnd.oasis.opendocument.spreadsheet"><office:styles>)" +
           styles +
           R"(</office:styles><office:body><office:spreadsheet><table:table table:name="S">)" +
           rows + "</table:table></office:spreadsheet></office:body></" + root + ">";
}

std::string odCell(const std::string& attributes, const std::string& text = "x") {
    return "<table:table-cell office:value-type=\"string\" " + attributes + "><text:p>" + text +
           "</text:p></table:table-cell>";
}

std::string odRow(const std::string& cells, const std::string& attributes = {}) {
    return "<table:table-row " + attributes + ">" + cells + "</table:table-row>";
}

// A package of the given content.xml, the mimetype first.
std::string package(const std::string& content, const TempDir& dir,
                    const std::string& mime = "application/vnd.oasis.opendocument.spreadsheet") {
    const auto path = writeZip(dir / "p.ods", {{"mimetype", mime}, {"content.xml", content}});
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The package with the sizes its headers give for content.xml replaced: the local header's and
// the central directory's.
std::string lyingSizes(std::string zip, std::uint32_t size) {
    auto put = [&](std::size_t at) {
        for (int i = 0; i < 4; ++i) zip[at + i] = static_cast<char>(size >> (8 * i) & 0xFF);
    };
    for (std::size_t at = zip.find("PK\x03\x04"); at != std::string::npos;
         at = zip.find("PK\x03\x04", at + 4))
        if (zip.compare(at + 30, 11, "content.xml") == 0) put(at + 22);
    for (std::size_t at = zip.find("PK\x01\x02"); at != std::string::npos;
         at = zip.find("PK\x01\x02", at + 4))
        if (zip.compare(at + 46, 11, "content.xml") == 0) put(at + 24);
    return zip;
}

TEST(HostileInput, OpenDocumentFiles) {
    TempDir work;
    const std::string good = fods(odRow(odCell("", "good")));
    const std::string content =
        fods(repeat(odRow(odCell("", "in a package")), 1000), {}, "office:document-content");
    const std::string zipped = package(content, work);
    std::string chain;
    for (int i = 0; i < 100'000; ++i)
        chain += R"(<style:style style:family="table-cell" style:name="s)" + std::to_string(i) +
                 R"(" style:parent-style-name="s)" + std::to_string(i + 1) + R"("/>)";
    const std::vector<Hostile> cases = {
        {"empty", "", "empty"},
        {"truncated flat", good.substr(0, good.size() - 40), "ends before it is complete"},
        {"truncated package", zipped.substr(0, zipped.size() / 2), "zip"},
        {"a text document", package(content, work, "application/vnd.oasis.opendocument.text"),
         "not an OpenDocument spreadsheet"},
        {"DTD", R"(<?xml version="1.0"?><!DOCTYPE d>)" + good.substr(good.find("<office:document")),
         "document type declaration"},
        {"expanding entities",
         R"(<?xml version="1.0"?>)" + expandingEntities("office:document") +
             good.substr(good.find("<office:document")),
         "document type declaration"},
        {"deep nesting", fods(odRow(odCell("", nest(1'000'000)))), "nest more than 64 deep"},
        {"huge attribute",
         fods(
             odRow("<table:table-cell table:style-name=\"" + std::string(10 * kMiB, 's') + "\"/>")),
         "longer than 64 KiB"},
        {"huge text", fods(odRow(odCell("", std::string(10 * kMiB, 't')))), "",
         std::string(32767, 't') + "\""},
        {"many long texts",
         fods(repeat(odRow(repeat(odCell("", std::string(1000, 't')), 100)), 100)), "",
         "\"last\": \"A1\""},
        {"encoding that lies",
         R"(<?xml version="1.0" encoding="UTF-16"?>)" + good.substr(good.find("<office:document")),
         "encoding"},
        {"a billion repeated rows and columns",
         fods(R"(<table:table-column table:number-columns-repeated="1000000000"/>)" +
              odRow(odCell("table:number-columns-repeated=\"16384\"", "again"),
                    "table:number-rows-repeated=\"1000000000\"")),
         "", "again"},
        {"span past the edge", fods(odRow(odCell("table:number-columns-spanned=\"16385\""))),
         "past the sheet's edge"},
        {"rows spanned past the edge",
         fods(odRow(odCell("table:number-rows-spanned=\"1000000000\""))), "past the sheet's edge"},
        {"overlapping spans and stray covered cells",
         fods(odRow(odCell("table:number-columns-spanned=\"3\" table:number-rows-spanned=\"3\"",
                           "merged") +
                    repeat("<table:covered-table-cell/>", 100'000)) +
              odRow("<table:covered-table-cell/>" +
                    odCell("table:number-columns-spanned=\"5\"", "over"))),
         "", "merged"},
        {"missing parent",
         fods(
             odRow(odCell("table:style-name=\"a\"")),
             R"(<style:style style:family="table-cell" style:name="a" style:parent-style-name="none"/>)"),
         "", "\"x\""},
        {"circular parents",
         fods(
             odRow(odCell("table:style-name=\"s0\"")),
             chain +
                 R"(<style:style style:family="table-cell" style:name="s100000" style:parent-style-name="s0"/>)"),
         "its own ancestor"},
        {"value not finite",
         fods(odRow(R"(<table:table-cell office:value-type="float" office:value="NaN"/>)")),
         "not a finite number"},
        {"zip bomb",
         package(content.substr(0, content.size() - 30) + std::string(200 * kMiB, ' ') +
                     content.substr(content.size() - 30),
                 work),
         "zip bomb"},
        {"sizes that lie", lyingSizes(zipped, 100), "damaged"},
        {"sizes that lie upward", lyingSizes(zipped, 0x7FFFFFFF), "zip bomb"},
    };
    runCases(cases, ".ods");
}

// One long shared string in every cell of the range: each cell draws it cut to Excel's limit (the
// tool holds each cell's text once, moving it from the table into the drawing's block).
TEST(HostileInput, ALongSharedStringInEveryCell) {
    TempDir dir;
    std::string cells;
    for (int r = 1; r <= 10; ++r) {
        cells += "<row r=\"" + std::to_string(r) + "\">";
        for (char c = 'A'; c <= 'J'; ++c)
            cells += std::string("<c r=\"") + c + std::to_string(r) + R"(" t="s"><v>0</v></c>)";
        cells += "</row>";
    }
    const auto book = writeZip(
        dir / "long.xlsx",
        workbook::testing::minimalParts(
            workbook::testing::sheetXml(
                R"(<sheetViews><sheetView workbookViewId="0"><selection sqref="A1:J10"/></sheetView></sheetViews><sheetData>)" +
                cells + "</sheetData>"),
            {{"sharedStrings", "sharedStrings.xml",
              "<sst><si><t>" + std::string(40'000, 'L') + "</t></si></sst>"}}));
    std::ostringstream stdOut, stdErr;
    ToolIo io{stdOut, stdErr, false, u'.'};
    const std::vector<std::u16string> args = {platform::pathToUtf16(book), u"-q", u"--dump-table",
                                              u"-"};
    ASSERT_EQ(runDxfTool(args, {}, io), kExitDone) << stdErr.str();
    const std::string dump = stdOut.str();
    const std::string cut = "\"" + std::string(32767, 'L') + "\"";
    std::size_t found = 0;
    for (std::size_t at = dump.find(cut); at != std::string::npos; at = dump.find(cut, at + 1))
        ++found;
    EXPECT_EQ(found, 100u);
    const std::string dxf = [&] {
        std::ifstream in(dir / "long.dxf", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    EXPECT_GT(dxf.size(), 100u * 32767);
}

}  // namespace
}  // namespace tabrova::cli
