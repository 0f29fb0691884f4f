// The clipboard as a source: LibreOffice Calc's copy (an OpenDocument spreadsheet whose visible
// area is the copied range), Excel's copy (XML Spreadsheet and its tab-separated text), and every
// other content refused with what it is.
#include <gtest/gtest.h>

#include <map>

#include "platform/Utf8.h"
#include "workbook/ClipboardSource.h"

namespace tabrova::workbook {
namespace {

class FakeClipboard final : public ClipboardFormats {
public:
    std::vector<std::pair<std::string, std::string>> contents;
    std::vector<std::string> formats() const override {
        std::vector<std::string> names;
        for (const auto& [name, bytes] : contents) names.push_back(name);
        return names;
    }
    std::optional<std::string> bytes(const std::string& format) const override {
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

}  // namespace
}  // namespace tabrova::workbook
