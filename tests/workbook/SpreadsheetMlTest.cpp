// XML Spreadsheet 2003 documents: the Excel-saved corpus read through the workbook file, what a
// few of its files hold, hand-made documents for the rules the corpus does not show, and hostile
// input refused with one line that names the problem.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>

#include "platform/Utf8.h"
#include "workbook/SpreadsheetMl.h"
#include "workbook/SpreadsheetMlFacts.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {
namespace {

using namespace spreadsheetml;

const std::filesystem::path kCorpus = TABROVA_SPREADSHEETML_CORPUS_DIR;

std::vector<std::filesystem::path> corpusFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus, ec))
        if (entry.path().extension() == ".xml") files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// A document with the usual namespaces around the given styles and worksheets.
std::string document(const std::string& styles, const std::string& sheets) {
    return R"(<?xml version="1.0"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:x="urn:schemas-microsoft-com:office:excel"
 xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:html="http://www.w3.org/TR/REC-html40">
 <Styles><Style ss:ID="Default" ss:Name="Normal"><Font ss:FontName="Calibri" ss:Size="11"/></Style>)" +
           styles + "</Styles>" + sheets + "</Workbook>";
}

template <class T, class U>
void expectIf(const std::optional<T>& expected, const U& actual) {
    if (expected) {
        EXPECT_EQ(actual, *expected);
    }
}

std::string sheetWith(const std::string& table) {
    return R"(<Worksheet ss:Name="S"><Table>)" + table + "</Table></Worksheet>";
}

TEST(SpreadsheetMlCorpus, EveryFileReadsWithItsSelectionsAndAWiderRange) {
    const auto files = corpusFiles();
    if (files.empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        std::unique_ptr<WorkbookFile> book;
        ASSERT_NO_THROW(book = openSpreadsheetMlFile(file));
        ASSERT_FALSE(book->sheets().empty());
        EXPECT_LT(book->activeSheet(), book->sheets().size());
        for (std::size_t s = 0; s < book->sheets().size(); ++s) {
            CellRange saved = book->sheets()[s].selection;
            saved.lastRow = std::min(saved.lastRow, saved.firstRow + 40);
            saved.lastCol = std::min(saved.lastCol, saved.firstCol + 40);
            for (const CellRange& range : {saved, CellRange{1, 1, 30, 12}}) {
                auto source = book->selection(s, range);
                source->open();
                for (std::uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
                    for (std::uint32_t c = range.firstCol; c <= range.lastCol; ++c) {
                        const CellFacts f = source->cell(r, c);
                        EXPECT_GT(f.fontSize, 0);
                        EXPECT_GE(f.mergeRows, 1);
                        EXPECT_GE(f.mergeLeft, 0);
                    }
                }
            }
        }
    }
}

// What Excel shows of a few corpus cells.
TEST(SpreadsheetMlCorpus, CellsHoldWhatExcelShows) {
    if (corpusFiles().empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    struct Case {
        const char* file;
        std::size_t sheet;
        std::uint32_t row, col;
        std::optional<std::u16string> text;
        std::optional<double> columnWidth = {};
        std::optional<double> rowHeight = {};
        std::optional<std::uint8_t> lineBits = {};
        std::optional<EdgeStyle> bottom = {};  // and the same all round
        std::optional<std::int64_t> mergeRows = {}, mergeCols = {};
        std::optional<double> mergeLeft = {}, mergeTop = {};
        std::optional<std::uint8_t> horizontal = {};
    };
    const EdgeStyle hair{borderContinuous, weightHair};
    const Case cases[] = {
        {"basic_input.xml", 0, 2, 3, u"1.1"},
        {"basic-utf-16-le_input.xml", 0, 2, 5, u"A"},
        {"basic-utf-16-be_input.xml", 0, 4, 3, u"1.3"},
        {"character-set_input.xml", 0, 3, 5, u"B"},
        {"merged-cells_input.xml",
         0,
         3,
         3,
         u"merged cell",
         {},
         {},
         {},
         {},
         4,
         4,
         96,
         30,
         alignCenter},
        {"merged-cells_input.xml", 0, 6, 6, u"", {}, {}, {}, {}, 4, 4, 96, 30},
        {"merged-cells_input.xml", 0, 1, 4, u"3", {}, {}, {}, {}, 1, 3, 144, 0},
        {"borders_single-cells.xml", 0, 4, 2, u"1", {}, 15.75, 15, hair},
        {"borders_single-cells.xml",
         0,
         2,
         4,
         u"7",
         {},
         {},
         15,
         EdgeStyle{borderDashDotDot, weightMedium}},
        // Borders the cell does not draw but its neighbour does: D4's on C4's right edge.
        {"borders_single-cells.xml", 0, 4, 3, u"", {}, {}, edgeLeft | edgeRight},
        {"column-width-row-height_input.xml", 0, 1, 3, u"15", 15, 15},
        {"column-width-row-height_input.xml", 0, 4, 1, u"30", 17, 30},
        {"hidden-rows-columns_input.xml", 0, 2, 1, u"hidden", {}, 0},
        {"number-format_date-time.xml", 0, 7, 2, u"2019/8/26"},
        {"number-format_date-time.xml", 0, 8, 2, u"8:57:31"},
        {"number-format_date-time.xml", 0, 12, 2, u"42.00"},
        {"number-format_date-time.xml", 0, 13, 2, u"4200.00%"},
        {"number-format_date-time.xml", 0, 4, 2, u"9/24/03"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " R" + std::to_string(c.row) + "C" +
                     std::to_string(c.col));
        auto book = openSpreadsheetMlFile(kCorpus / c.file);
        auto source = book->selection(c.sheet, CellRange{c.row, c.col, c.row, c.col});
        const CellFacts f = source->cell(c.row, c.col);
        if (c.text) {
            EXPECT_EQ(utf16ToUtf8(f.text), utf16ToUtf8(*c.text));
        }
        expectIf(c.columnWidth, f.columnWidth);
        expectIf(c.rowHeight, f.rowHeight);
        expectIf(c.lineBits, f.lineBits);
        for (const EdgeStyle& e : f.edgeStyles) expectIf(c.bottom, e);
        expectIf(c.mergeRows, f.mergeRows);
        expectIf(c.mergeCols, f.mergeCols);
        expectIf(c.mergeLeft, f.mergeLeft);
        expectIf(c.mergeTop, f.mergeTop);
        expectIf(c.horizontal, f.horizontal);
    }
}

TEST(SpreadsheetMlCorpus, SavedSelectionsAndActiveSheet) {
    if (corpusFiles().empty()) GTEST_SKIP() << "no corpus at " << kCorpus;
    auto split = openSpreadsheetMlFile(kCorpus / "view_cursor-split-pane.xml");
    EXPECT_EQ(split->activeSheet(), 3u);
    // The second sheet's active pane is pane 1, whose selection is H2:L2.
    EXPECT_EQ(split->sheets()[1].selection, (CellRange{2, 8, 2, 12}));
    auto merged = openSpreadsheetMlFile(kCorpus / "merged-cells_input.xml");
    EXPECT_EQ(merged->sheets()[0].selection, (CellRange{9, 6, 9, 6}));  // ActiveRow 8, ActiveCol 5
}

// Hand-made documents: the rules the corpus does not show on its own.
TEST(SpreadsheetMlFacts, StylesInheritAndCellsTakeRowThenColumnStyles) {
    const std::string xml = document(
        R"(<Style ss:ID="named"><Alignment ss:Horizontal="Right" ss:WrapText="1"/><Font ss:Size="14"/></Style>
           <Style ss:ID="child" ss:Parent="named"><Alignment ss:Vertical="Top"/></Style>
           <Style ss:ID="row"><Alignment ss:ShrinkToFit="1"/></Style>
           <Style ss:ID="col"><Alignment ss:Horizontal="Center"/></Style>)",
        sheetWith(R"(<Column ss:Index="2" ss:StyleID="col"/>
                     <Row><Cell ss:StyleID="child"><Data ss:Type="String">x</Data></Cell><Cell/></Row>
                     <Row ss:StyleID="row"><Cell ss:Index="2"/></Row>)"));
    const Document doc = parse(xml, "inline");
    const SheetFacts facts(doc, doc.sheets[0]);
    const CellFacts a1 = facts.cell(1, 1).facts;
    EXPECT_EQ(a1.horizontal, alignRight);  // from the parent
    EXPECT_EQ(a1.txtPlace, placeTop);
    EXPECT_TRUE(a1.wrapText);
    EXPECT_EQ(a1.fontSize, 14);
    const CellFacts b1 = facts.cell(1, 2).facts;  // no style of its own: its column's
    EXPECT_EQ(b1.horizontal, alignCenter);
    EXPECT_EQ(b1.txtPlace, placeBottom);              // Excel's default when nothing says otherwise
    EXPECT_TRUE(facts.cell(2, 2).facts.shrinkToFit);  // the row's style before the column's
    EXPECT_EQ(facts.cell(3, 3).facts.fontSize, 11);
}

TEST(SpreadsheetMlFacts, RichTextTakesItsFirstCharacterSizeAndNumericValues) {
    const std::string xml = document("", sheetWith(R"(<Row>
          <Cell><ss:Data ss:Type="String" xmlns="http://www.w3.org/TR/REC-html40"><Font html:Size="20">big</Font><Font>small</Font></ss:Data></Cell>
          <Cell><ss:Data ss:Type="String" xmlns="http://www.w3.org/TR/REC-html40">plain<Font html:Size="20">big</Font></ss:Data></Cell>
          <Cell><Data ss:Type="Number">1E+20</Data></Cell>
          <Cell><Data ss:Type="Number">-123.5</Data></Cell>
          <Cell><Data ss:Type="Number">0.00001</Data></Cell>
          <Cell><Data ss:Type="String">1,234.5</Data></Cell>
          <Cell><Data ss:Type="String">12a</Data></Cell>
          <Cell><Data ss:Type="Boolean">1</Data></Cell>
          <Cell><Data ss:Type="DateTime">2024-03-01T12:00:00.000</Data></Cell>
          <Cell><Data ss:Type="Error">#N/A</Data></Cell>
        </Row>)"));
    const Document doc = parse(xml, "inline");
    const SheetFacts facts(doc, doc.sheets[0]);
    EXPECT_EQ(facts.cell(1, 1).facts.fontSize, 20);
    EXPECT_EQ(facts.cell(1, 1).facts.text, u"bigsmall");
    EXPECT_EQ(facts.cell(1, 2).facts.fontSize, 11);
    const bool numeric[] = {false, false, false, true, false, true, false, false, true, false};
    const char16_t* texts[] = {nullptr,    nullptr, u"1E+20", u"-123.5",  u"0.00001",
                               u"1,234.5", u"12a",  u"TRUE",  u"45352.5", u"#N/A"};
    for (std::uint32_t c = 1; c <= 10; ++c) {
        SCOPED_TRACE(c);
        const CellFacts f = facts.cell(1, c).facts;
        EXPECT_EQ(f.numericValue, numeric[c - 1]);
        if (texts[c - 1]) {
            EXPECT_EQ(utf16ToUtf8(f.text), utf16ToUtf8(texts[c - 1]));
        }
    }
}

TEST(SpreadsheetMlFacts, ARangeKeepsOnlyItsCellsAndTheRingAroundIt) {
    std::string rows;
    for (int r = 0; r < 200; ++r) {
        rows += "<Row>";
        for (int c = 0; c < 20; ++c) rows += R"(<Cell><Data ss:Type="Number">1</Data></Cell>)";
        rows += "</Row>";
    }
    Reading reading;
    reading.sheet = 0;
    reading.range = CellRange{100, 5, 101, 6};
    const Document doc = parse(document("", sheetWith(rows)), "inline", reading);
    EXPECT_EQ(doc.sheets[0].cells.size(), 4u * 4u);
}

TEST(SpreadsheetMlFacts, ADocumentOfARangeStandsAtItsOrigin) {
    // Range.Value(11) of D5:E6: the document's first cell is the sheet's D5.
    const std::string xml = document(
        R"(<Style ss:ID="b"><Borders><Border ss:Position="Right" ss:LineStyle="Continuous" ss:Weight="2"/></Borders></Style>)",
        sheetWith(
            R"(<Column ss:Width="30"/><Row ss:Height="20"><Cell ss:MergeAcross="1" ss:StyleID="b"><Data ss:Type="String">m</Data></Cell></Row>
                     <Row><Cell ss:Index="2"><Data ss:Type="String">e6</Data></Cell></Row>)"));
    Reading reading;
    reading.originRow = 5;
    reading.originCol = 4;
    const Document doc = parse(xml, "Value(11)", reading);
    const SheetFacts facts(doc, doc.sheets[0]);
    EXPECT_EQ(facts.cell(6, 5).facts.text, u"e6");
    const PlacedFacts e5 = facts.cell(5, 5);
    EXPECT_TRUE(e5.facts.merged);
    EXPECT_EQ(e5.facts.mergeCols, 2);
    EXPECT_EQ(e5.facts.mergeLeft, 0);  // counted from the document's first column
    EXPECT_EQ(e5.facts.edgeStyles[edgeIndexRight], (EdgeStyle{borderContinuous, weightMedium}));
    EXPECT_EQ(facts.cell(6, 5).facts.mergeTop, 20);
    EXPECT_EQ(e5.columnPoints, 48);  // the default column
    EXPECT_EQ(facts.cell(5, 4).columnPoints, 30);
}

TEST(SpreadsheetMlFacts, UnicodeEncodingsAndLongTexts) {
    const std::string xml =
        document("", sheetWith("<Row><Cell><Data ss:Type=\"String\">\xE6\x97\xA5\xE6\x9C\xAC" +
                               std::string(40000, 'x') + "</Data></Cell></Row>"));
    // The same document in UTF-16LE with a byte order mark and a declaration saying so.
    std::u16string wide = u"\uFEFF" + utf8ToUtf16(xml);
    wide.replace(wide.find(u"version=\"1.0\""), 13, u"version=\"1.0\" encoding=\"UTF-16\"");
    std::string utf16le;
    for (char16_t ch : wide) {
        utf16le.push_back(static_cast<char>(ch & 0xFF));
        utf16le.push_back(static_cast<char>(ch >> 8));
    }
    for (const std::string& bytes : {xml, utf16le}) {
        const Document doc = parse(bytes, "inline");
        const spreadsheetml::Cell* cell = findCell(doc.sheets[0], 1, 1);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->text.text.size(), kMaxCellTextChars);
        EXPECT_EQ(cell->text.text.substr(0, 2), u"日本");
        EXPECT_EQ(doc.notes().size(), 1u);
    }
}

TEST(SpreadsheetMlHostile, RefusedWithOneLineNamingTheProblem) {
    const std::string normal = document("", sheetWith("<Row><Cell/></Row>"));
    std::string deep =
        "<Row><Cell><ss:Data ss:Type=\"String\" xmlns=\"http://www.w3.org/TR/REC-html40\">";
    for (int i = 0; i < 80; ++i) deep += "<B>";
    for (int i = 0; i < 80; ++i) deep += "</B>";
    deep += "</ss:Data></Cell></Row>";
    const std::string utf8WithUtf16Declaration =
        "<?xml version=\"1.0\" encoding=\"UTF-16\"?>" + normal.substr(normal.find("<Workbook"));
    const struct {
        const char* name;
        std::string bytes;
        const char* message;
    } cases[] = {
        {"DTD",
         "<?xml version=\"1.0\"?><!DOCTYPE Workbook [<!ENTITY a \"aaaa\">]>" +
             normal.substr(normal.find("<Workbook")),
         "document type declaration"},
        {"entity",
         document("", sheetWith("<Row><Cell><Data ss:Type=\"String\">&a;</Data></Cell></Row>")),
         "entity"},
        {"deep nesting", document("", sheetWith(deep)), "64 deep"},
        {"row index", document("", sheetWith("<Row ss:Index=\"1048577\"/>")), "outside the sheet"},
        {"cell index", document("", sheetWith("<Row><Cell ss:Index=\"16385\"/></Row>")),
         "outside the sheet"},
        {"column span", document("", sheetWith("<Column ss:Index=\"5\" ss:Span=\"16380\"/>")),
         "past the sheet's edge"},
        {"row span", document("", sheetWith("<Row ss:Span=\"99999999999999999999\"/>")),
         "past the sheet's edge"},
        {"merge across", document("", sheetWith("<Row><Cell ss:MergeAcross=\"16384\"/></Row>")),
         "past the sheet's edge"},
        {"merge down",
         document("", sheetWith("<Row ss:Index=\"3\"><Cell ss:MergeDown=\"1048574\"/></Row>")),
         "past the sheet's edge"},
        {"cell after the last column",
         document("", sheetWith("<Row><Cell ss:Index=\"16384\"/><Cell/></Row>")),
         "past the sheet's edge"},
        {"circular parent",
         document("<Style ss:ID=\"a\" ss:Parent=\"b\"/><Style ss:ID=\"b\" ss:Parent=\"a\"/>",
                  sheetWith("")),
         "its own ancestor"},
        {"missing parent", document("<Style ss:ID=\"a\" ss:Parent=\"zz\"/>", sheetWith("")),
         "does not define"},
        {"missing style", document("", sheetWith("<Row><Cell ss:StyleID=\"s9\"/></Row>")),
         "does not define"},
        {"infinite number",
         document("", sheetWith("<Row><Cell><Data ss:Type=\"Number\">1e999</Data></Cell></Row>")),
         "not a finite number"},
        {"NaN",
         document("", sheetWith("<Row><Cell><Data ss:Type=\"Number\">NaN</Data></Cell></Row>")),
         "not a finite number"},
        {"bad date",
         document("",
                  sheetWith("<Row><Cell><Data ss:Type=\"DateTime\">yesterday</Data></Cell></Row>")),
         "not a date"},
        {"huge attribute", document("", "<Worksheet ss:Name=\"" + std::string(70000, 'n') + "\"/>"),
         "64 KiB"},
        {"truncated", normal.substr(0, normal.size() / 2), "ends before"},
        {"empty", "", "empty"},
        {"blank", "  \r\n", "empty"},
        {"other XML", "<?xml version=\"1.0\"?><html><body/></html>", "not an XML Spreadsheet 2003"},
        {"not XML", std::string("PK\x03\x04\x14\x00\x06\x00", 8), "not an XML Spreadsheet 2003"},
        {"lying encoding", utf8WithUtf16Declaration, "encoding"},
        {"unknown encoding", "<?xml version=\"1.0\" encoding=\"EBCDIC-JP\"?><Workbook/>",
         "encoding"},
        {"no worksheet", document("", ""), "no worksheet"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        try {
            parse(c.bytes, "hostile.xml");
            ADD_FAILURE() << "accepted";
        } catch (const WorkbookError& e) {
            EXPECT_NE(e.reason().find(c.message), std::string::npos) << e.reason();
            EXPECT_EQ(e.reason().find('\n'), std::string::npos) << e.reason();
            EXPECT_EQ(e.path(), "hostile.xml");
        }
    }
}

TEST(SpreadsheetMlHostile, AnOriginMovesTheSheetsEdge) {
    Reading reading;
    reading.originRow = kMaxRows;
    const std::string xml = document("", sheetWith("<Row/><Row/>"));
    EXPECT_THROW(parse(xml, "Value(11)", reading), WorkbookError);
}

}  // namespace
}  // namespace tabrova::workbook
