// The clipboard as a source: LibreOffice Calc's copy (an OpenDocument spreadsheet whose visible
// area is the copied range), Excel's copy (XML Spreadsheet and its tab-separated text), and every
// other content refused with what it is.
#include <gtest/gtest.h>

#include <chrono>
#include <map>

#include "platform/Utf8.h"
#include "table/SelectionReader.h"
#include "workbook/ClipboardSource.h"

namespace tabrova::workbook {
namespace {

class FakeClipboard final : public ClipboardFormats {
public:
    std::vector<std::pair<std::string, std::string>> contents;
    bool withheld = false;  // the formats are listed, their bytes cannot be had
    std::vector<std::string> formats() const override {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : contents) names.push_back(name);
        return names;
    }
    std::optional<std::string> bytes(const std::string& format) const override {
        if (withheld) return std::nullopt;
        for (const auto& [name, bytes] : contents)
            if (name == format) return bytes;
        return std::nullopt;
    }
};

std::vector<CellFacts> readAll(SelectionSource& source, SelectionRange& range,
                               SourceOpening& opening) {
    opening = source.open();
    range = source.range();
    source.beginCells();
    std::vector<CellFacts> cells;
    for (std::int64_t r = range.firstRow; r < range.firstRow + range.rowCount; ++r)
        for (std::int64_t c = range.firstCol; c < range.firstCol + range.colCount; ++c)
            cells.push_back(source.cell(r, c));
    return cells;
}

TEST(Clipboard, TabSeparatedTextSplitsAsExcelQuotesIt) {
    using Rows = std::vector<std::vector<std::u16string>>;
    const struct {
        std::u16string text;
        Rows rows;
    } cases[] = {
        {u"", {}},
        {u"a\tb\r\nc\td\r\n", {{u"a", u"b"}, {u"c", u"d"}}},
        {u"a\tb", {{u"a", u"b"}}},
        {u"a\t\t\r\n\t\r\n", {{u"a", u"", u""}, {u"", u""}}},
        {u"\"two\nlines\"\tx\r\n", {{u"two\nlines", u"x"}}},
        {u"\"say \"\"hi\"\"\"\r\n", {{u"say \"hi\""}}},
        {u"\"tab\tinside\"\n", {{u"tab\tinside"}}},
        // A quote that does not close at a cell's end is the cell's own character.
        {u"\"open\tx\r\n", {{u"\"open", u"x"}}},
        {u"5\" bolt\t\"\r\n", {{u"5\" bolt", u"\""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf16ToUtf8(c.text));
        EXPECT_EQ(tabSeparatedCells(c.text), c.rows);
    }
    // Only the range's cells are kept; the shape is the whole text's.
    const TabSeparatedText kept = splitTabSeparated(u"a\tb\tc\r\nd\r\n\t\t\t\r\n", 1, 2);
    EXPECT_EQ(kept.rows, (Rows{{u"a", u"b"}}));
    EXPECT_EQ(kept.rowCount, 3u);
    EXPECT_EQ(kept.columnCount, 4u);
}

TEST(Clipboard, ContentsWithoutACopiedRangeAreRefusedWithWhatTheyAre) {
    const struct {
        std::vector<std::string> formats;
        ReadProblem problem;
        const char* japanese;
    } cases[] = {
        {{}, ReadProblem::clipboardEmpty, "クリップボードは空です"},
        {{"text/plain", "UTF8_STRING"}, ReadProblem::clipboardHoldsText, "テキストしか"},
        {{"text/html", "text/plain"}, ReadProblem::clipboardHoldsHtml, "HTML"},
        {{"image/png", "application/x-qt-image"}, ReadProblem::clipboardHoldsPicture, "画像"},
        {{"application/x-kde-something", "TARGETS"},
         ReadProblem::clipboardHoldsOther,
         "\"application/x-kde-something\""},
    };
    for (const auto& c : cases) {
        FakeClipboard clipboard;
        for (const std::string& f : c.formats) clipboard.contents.push_back({f, "x"});
        try {
            readClipboard(clipboard, "clipboard");
            ADD_FAILURE() << "taken: " << c.formats.size() << " formats";
        } catch (const WorkbookError& e) {
            EXPECT_EQ(e.readReason().problem, c.problem);
            EXPECT_NE(e.japaneseReason().find(c.japanese), std::string::npos) << e.japaneseReason();
            EXPECT_NE(e.japaneseReason().find("LibreOffice Calc か Excel"), std::string::npos);
            EXPECT_EQ(e.path(), "clipboard");
        }
    }
}

// LibreOffice's copy of B2:C3 of a sheet with columns of 1, 2, 1 and 1 inches (the third
// hidden) and rows of a quarter inch: the visible area is the copied range, in 1/100 mm.
std::string libreOfficeCopy(const std::string& visibleArea, const std::string& activeTable) {
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0"
 xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0"
 xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0"
 xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0"
 xmlns:config="urn:oasis:names:tc:opendocument:xmlns:config:1.0"
 xmlns:fo="urn:oasis:names:tc:opendocument:xmlns:xsl-fo-compatible:1.0"
 office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:settings><config:config-item-set config:name="ooo:view-settings">)" +
           visibleArea +
           R"(<config:config-item-map-indexed config:name="Views"><config:config-item-map-entry>)" +
           activeTable + R"(</config:config-item-map-entry></config:config-item-map-indexed>
</config:config-item-set></office:settings>
<office:automatic-styles>
<style:style style:name="co1" style:family="table-column"><style:table-column-properties style:column-width="1in"/></style:style>
<style:style style:name="co2" style:family="table-column"><style:table-column-properties style:column-width="2in"/></style:style>
<style:style style:name="ro1" style:family="table-row"><style:table-row-properties style:row-height="0.25in"/></style:style>
<style:style style:name="ce1" style:family="table-cell"><style:table-cell-properties fo:border="0.06pt solid #000000"/></style:style>
</office:automatic-styles>
<office:body><office:spreadsheet>
<table:table table:name="Other"><table:table-row><table:table-cell/></table:table-row></table:table>
<table:table table:name="Copied">
<table:table-column table:style-name="co1"/><table:table-column table:style-name="co2"/>
<table:table-column table:style-name="co1" table:visibility="collapse"/><table:table-column table:style-name="co1"/>
<table:table-row table:style-name="ro1" table:number-rows-repeated="1000000"><table:table-cell table:number-columns-repeated="3"/></table:table-row>
</table:table></office:spreadsheet></office:body></office:document>)";
}

std::string item(const char* name, int value) {
    return std::string("<config:config-item config:name=\"") + name + "\" config:type=\"int\">" +
           std::to_string(value) + "</config:config-item>";
}

TEST(Clipboard, LibreOfficesCopyIsTheRangeItsVisibleAreaCovers) {
    const std::string active =
        R"(<config:config-item config:name="ActiveTable" config:type="string">Copied</config:config-item>)";
    // Columns: A 0..2540, B ..7620, C hidden, D ..10160; rows 635 each.
    const struct {
        int left, top, width, height;
        SelectionRange range;
    } cases[] = {
        {2540, 635, 5080, 1270, {2, 2, 2, 1}},  // B2:B3
        {2541, 634, 5079, 1271, {2, 2, 2, 1}},  // rounding of the lengths
        {0, 0, 10160, 635, {1, 1, 1, 4}},       // A1:D1, the hidden column inside
        {2540, 635 * 999990, 2540 * 3, 635 * 5, {999991, 2, 5, 3}},  // far down a repeat
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + "," + std::to_string(c.top));
        FakeClipboard clipboard;
        clipboard.contents = {
            {"text/plain;charset=utf-8", "x"},
            {"application/x-openoffice-embed-source-xml;windows_formatname=\"Star Embed Source "
             "(XML)\"",
             libreOfficeCopy(item("VisibleAreaTop", c.top) + item("VisibleAreaLeft", c.left) +
                                 item("VisibleAreaWidth", c.width) +
                                 item("VisibleAreaHeight", c.height),
                             active)}};
        ClipboardTable table = readClipboard(clipboard, std::filesystem::path(u"クリップボード"));
        EXPECT_EQ(table.program, u"LibreOffice Calc");
        SelectionRange range;
        SourceOpening opening;
        const auto cells = readAll(*table.source, range, opening);
        EXPECT_EQ(range.firstRow, c.range.firstRow);
        EXPECT_EQ(range.firstCol, c.range.firstCol);
        EXPECT_EQ(range.rowCount, c.range.rowCount);
        EXPECT_EQ(range.colCount, c.range.colCount);
        EXPECT_EQ(opening.workbookName, u"クリップボード");
        EXPECT_EQ(opening.sheetName, u"Copied");
    }
    // Without a visible area the copy does not say what was copied.
    FakeClipboard clipboard;
    clipboard.contents = {{"Star Embed Source (XML)", libreOfficeCopy("", active)}};
    try {
        readClipboard(clipboard, "clipboard");
        ADD_FAILURE() << "taken";
    } catch (const WorkbookError& e) {
        EXPECT_EQ(e.readReason().problem, ReadProblem::clipboardNoCopiedArea);
    }
}

// Excel's copy of a 3 by 3 range: a merged heading, a bordered, centred number shown with the
// currency sign, a column 120 points wide.
const std::string kExcelXml = R"(<?xml version="1.0"?>
<?mso-application progid="Excel.Sheet"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:o="urn:schemas-microsoft-com:office:office" xmlns:x="urn:schemas-microsoft-com:office:excel"
 xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet" xmlns:html="http://www.w3.org/TR/REC-html40">
 <Styles>
  <Style ss:ID="Default" ss:Name="Normal"><Alignment ss:Vertical="Bottom"/><Font ss:FontName="Calibri" ss:Size="11"/></Style>
  <Style ss:ID="s62"><Alignment ss:Horizontal="Center"/><Font ss:FontName="Calibri" ss:Size="14"/></Style>
  <Style ss:ID="s63"><Alignment ss:Horizontal="Right"/><Borders><Border ss:Position="Bottom" ss:LineStyle="Continuous" ss:Weight="2"/></Borders><NumberFormat ss:Format="&quot;¥&quot;#,##0"/></Style>
 </Styles>
 <Worksheet ss:Name="見積">
  <Table ss:ExpandedColumnCount="3" ss:ExpandedRowCount="3" x:FullColumns="1" x:FullRows="1" ss:DefaultRowHeight="15">
   <Column ss:Width="120"/>
   <Row ss:Height="30"><Cell ss:MergeAcross="1" ss:StyleID="s62"><Data ss:Type="String">部品表</Data></Cell></Row>
   <Row><Cell><Data ss:Type="String">ボルト</Data></Cell><Cell ss:StyleID="s63"><Data ss:Type="Number">86500</Data></Cell></Row>
   <Row><Cell ss:Index="3"><Data ss:Type="Number">0.5</Data></Cell></Row>
  </Table>
 </Worksheet>
</Workbook>)";

TEST(Clipboard, ExcelsCopyTakesTheStructureFromTheXmlAndTheTextsFromTheText) {
    const struct {
        const char* name;
        std::optional<std::string> text;
        std::vector<std::u16string> texts;  // row by row
        std::optional<ReadProblem> note;
    } cases[] = {
        {"text as shown",
         "部品表\t\t\r\nボルト\t¥86,500\t\r\n\t\t50%\r\n",
         {u"部品表", u"", u"", u"ボルト", u"¥86,500", u"", u"", u"", u"50%"},
         std::nullopt},
        {"text of fewer rows",
         "部品表\t\t\r\nボルト\t¥86,500\t\r\n",
         {u"部品表", u"", u"", u"ボルト", u"¥86,500", u"", u"", u"", u"0.5"},
         ReadProblem::clipboardShapesDiffer},
        {"no text",
         std::nullopt,
         {u"部品表", u"", u"", u"ボルト", u"¥86,500", u"", u"", u"", u"0.5"},
         ReadProblem::clipboardWithoutText},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClipboard clipboard;
        // As Qt names Windows formats, the XML with its C string's terminator.
        clipboard.contents = {{"application/x-qt-windows-mime;value=\"XML Spreadsheet\"",
                               kExcelXml + std::string(1, '\0')}};
        if (c.text) clipboard.contents.push_back({"text/plain", *c.text});
        ClipboardTable table = readClipboard(clipboard, "clipboard");
        EXPECT_EQ(table.program, u"Excel");
        ASSERT_EQ(table.notes.size(), c.note ? 1u : 0u);
        if (c.note) {
            EXPECT_EQ(table.notes.front().problem, *c.note);
        }
        SelectionRange range;
        SourceOpening opening;
        const auto cells = readAll(*table.source, range, opening);
        EXPECT_EQ(opening.sheetName, u"見積");
        EXPECT_EQ(range.firstRow, 1);
        EXPECT_EQ(range.firstCol, 1);
        ASSERT_EQ(range.rowCount, 3);
        ASSERT_EQ(range.colCount, 3);
        for (std::size_t i = 0; i < cells.size(); ++i)
            EXPECT_EQ(utf16ToUtf8(cells[i].text), utf16ToUtf8(c.texts[i])) << i;
        EXPECT_TRUE(cells[0].merged);
        EXPECT_EQ(cells[0].mergeCols, 2);
        EXPECT_EQ(cells[0].horizontal, alignCenter);
        EXPECT_EQ(cells[0].fontSize, 14);
        EXPECT_EQ(cells[0].rowHeight, 30);
        EXPECT_NEAR(cells[0].columnWidth, 22, 0.5);  // 160 pixels of Calibri 11
        EXPECT_EQ(cells[4].lineBits, edgeBottom);
        EXPECT_EQ(cells[4].horizontal, alignRight);
        EXPECT_EQ(cells[7].lineBits, edgeTop);  // the facing edge below the number
    }
}

TEST(Clipboard, ADamagedCopyIsReportedAsTheClipboards) {
    FakeClipboard clipboard;
    clipboard.contents = {{"XML Spreadsheet", "<Workbook><Worksheet"}};
    try {
        readClipboard(clipboard, "clipboard");
        ADD_FAILURE() << "taken";
    } catch (const WorkbookError& e) {
        EXPECT_EQ(e.path(), "clipboard");
    }
    clipboard.contents = {{"Star Embed Source (XML)", "PK\x03\x04 not a zip"}};
    EXPECT_THROW(readClipboard(clipboard, "clipboard"), WorkbookError);
}

std::string repeat(const std::string& piece, std::size_t times) {
    std::string out;
    out.reserve(piece.size() * times);
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// Hostile clipboards: each is refused with one line naming the clipboard (a WorkbookError, or
// the reader's message for a range too large to take), or read with the copy's shape; within a
// few seconds and without holding more than the copied range's cells.
TEST(Clipboard, HostileContentsAreRefusedInOneLineOrReadInBoundedTime) {
    const std::string lo =
        "application/x-openoffice-embed-source-xml;windows_formatname=\"Star Embed Source (XML)\"";
    const std::string xmlForm = "application/x-qt-windows-mime;value=\"XML Spreadsheet\"";
    const std::string active =
        R"(<config:config-item config:name="ActiveTable" config:type="string">Copied</config:config-item>)";
    const auto visible = [&](long long left, long long top, long long width, long long height) {
        const auto entry = [](const char* name, long long value) {
            return std::string("<config:config-item config:name=\"") + name +
                   "\" config:type=\"int\">" + std::to_string(value) + "</config:config-item>";
        };
        return entry("VisibleAreaTop", top) + entry("VisibleAreaLeft", left) +
               entry("VisibleAreaWidth", width) + entry("VisibleAreaHeight", height);
    };
    const std::string copyB2C3 = libreOfficeCopy(visible(2540, 635, 5080, 1270), active);
    const auto excelTable = [&](const std::string& table) {
        std::string xml = kExcelXml;
        const std::size_t from = xml.find("<Table ");
        return xml.replace(from, xml.find("</Table>") + 8 - from, table);
    };
    const std::string kEntities = "<!DOCTYPE Workbook [<!ENTITY a \"" + std::string(1000, 'x') +
                                  "\"><!ENTITY b \"" + repeat("&a;", 1000) + "\">]>";
    // A shape the reader takes and the notes it comes with, or a refusal: its problem, or the
    // reader's message for a range too large.
    struct Outcome {
        std::optional<ReadProblem> refused = {};
        bool tooLarge = false;
        std::int64_t rows = 0, cols = 0;
        std::optional<ReadProblem> note = {};
    };
    const auto refused = [](ReadProblem p) { return Outcome{p}; };
    const Outcome tooLarge{std::nullopt, true};
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> contents;
        Outcome outcome;
    } cases[] = {
        // LibreOffice's copy.
        {"empty copy", {{lo, ""}}, refused(ReadProblem::emptyFile)},
        {"copy not a package", {{lo, "hello"}}, refused(ReadProblem::odsNotXml)},
        {"truncated copy",
         {{lo, copyB2C3.substr(0, copyB2C3.size() / 2)}},
         refused(ReadProblem::documentEndsEarly)},
        {"copy with entities",
         {{lo, "<?xml version=\"1.0\"?>" + kEntities + copyB2C3.substr(copyB2C3.find("<office:"))}},
         refused(ReadProblem::documentHasDtd)},
        {"copy nested deep",
         {{lo, libreOfficeCopy(
                   visible(2540, 635, 5080, 1270) + repeat("<config:config-item-set>", 100000),
                   active)}},
         refused(ReadProblem::nestsTooDeep)},
        {"visible area of the whole sheet",
         {{lo, libreOfficeCopy(visible(0, 0, 2147483647, 2147483647), active)}},
         tooLarge},
        {"visible area before the sheet",
         {{lo, libreOfficeCopy(visible(-2147483647, -2147483647, 10, 10), active)}},
         refused(ReadProblem::clipboardNoCopiedArea)},
        {"visible area of nothing",
         {{lo, libreOfficeCopy(visible(2540, 635, 0, 0), active)}},
         refused(ReadProblem::clipboardNoCopiedArea)},
        {"copy of a sheet that is not there",
         {{lo,
           libreOfficeCopy(
               visible(2540, 635, 5080, 1270),
               R"(<config:config-item config:name="ActiveTable" config:type="string">Gone</config:config-item>)")}},
         refused(ReadProblem::clipboardNoCopiedArea)},
        // Excel's copy.
        {"xml with entities",
         {{xmlForm,
           "<?xml version=\"1.0\"?>" + kEntities + kExcelXml.substr(kExcelXml.find("<Workbook"))}},
         refused(ReadProblem::documentHasDtd)},
        {"xml of the whole sheet",
         {{xmlForm,
           excelTable(
               R"(<Table ss:ExpandedColumnCount="16384" ss:ExpandedRowCount="1048576"></Table>)")}},
         tooLarge},
        // A size past the sheet is not taken: the cells give it.
        {"xml past the sheet",
         {{xmlForm,
           excelTable(
               R"(<Table ss:ExpandedColumnCount="3" ss:ExpandedRowCount="99999999"></Table>)")}},
         Outcome{std::nullopt, false, 1, 3}},
        {"merge past the sheet",
         {{xmlForm, excelTable(R"(<Table><Row><Cell ss:MergeDown="2000000"/></Row></Table>)")}},
         refused(ReadProblem::extentPastSheetEdge)},
        {"xml that lies about its encoding",
         {{xmlForm, "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" +
                        kExcelXml.substr(kExcelXml.find("<Workbook"))}},
         refused(ReadProblem::encodingMismatch)},
        {"text of ten million line ends",
         {{xmlForm, kExcelXml}, {"text/plain", std::string(10'000'000, '\n')}},
         Outcome{std::nullopt, false, 3, 3, ReadProblem::clipboardShapesDiffer}},
        {"text of five million tabs",
         {{xmlForm, kExcelXml}, {"text/plain", std::string(5'000'000, '\t')}},
         Outcome{std::nullopt, false, 3, 3, ReadProblem::clipboardShapesDiffer}},
        {"text of quotes that never close",
         {{xmlForm, kExcelXml}, {"text/plain", repeat("\"\"\"x\t", 1'000'000)}},
         Outcome{std::nullopt, false, 3, 3, ReadProblem::clipboardShapesDiffer}},
        {"text of one long quoted cell",
         {{xmlForm, kExcelXml}, {"text/plain", "\"" + repeat("\"\"\t\r\n", 2'000'000)}},
         Outcome{std::nullopt, false, 3, 3, ReadProblem::clipboardShapesDiffer}},
        {"text that is not UTF-8",
         {{xmlForm, kExcelXml}, {"text/plain", "\xff\xfe\x80\t\xc3\r\n\xed\xa0\x80"}},
         Outcome{std::nullopt, false, 3, 3, ReadProblem::clipboardShapesDiffer}},
        // The formats themselves.
        {"a format that cannot be had",
         {{"XML Spreadsheet", "<Workbook/>"}},
         refused(ReadProblem::clipboardUnreadable)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeClipboard clipboard;
        clipboard.contents = c.contents;
        clipboard.withheld = std::string_view(c.name) == "a format that cannot be had";
        const auto start = std::chrono::steady_clock::now();
        try {
            const std::unique_ptr<SelectionSource> source =
                ownedSource(readClipboard(clipboard, "clipboard"));
            EXPECT_FALSE(c.outcome.refused) << "read";
            CellTable table;
            GridContents grid;
            const SelectionReadResult result =
                readSelection(selectionReadSettings(WorkingSettings{}, u"Excel.Application", u'.'),
                              *source, table, grid);
            if (c.outcome.tooLarge) {
                EXPECT_NE(result.status, SelectionReadStatus::complete);
                EXPECT_NE(utf16ToUtf8(result.message).find("一度に取得できるのは"),
                          std::string::npos)
                    << utf16ToUtf8(result.message);
            } else {
                EXPECT_EQ(result.status, SelectionReadStatus::complete);
                EXPECT_EQ(table.rowCount, c.outcome.rows);
                EXPECT_EQ(table.colCount, c.outcome.cols);
            }
        } catch (const WorkbookError& e) {
            EXPECT_EQ(e.readReason().problem, c.outcome.refused) << e.reason();
            EXPECT_EQ(e.path(), "clipboard");
            EXPECT_EQ(e.reason().find('\n'), std::string::npos) << e.reason();
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }
}

}  // namespace
}  // namespace tabrova::workbook
