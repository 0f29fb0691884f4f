#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

#include "support/WorkbookObjects.h"
#include "table/CellAddress.h"
#include "workbook/NumberFormat.h"
#include "workbook/SheetMetrics.h"
#include "workbook/TestWorkbooks.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {
namespace {

using testing::minimalParts;
using testing::sheetXml;
using testing::TempDir;
using testing::writeZip;

std::string columnLetters(int n) {
    const std::u16string letters = ColNumToLetters(n);
    return std::string(letters.begin(), letters.end());
}

TEST(SheetMetrics, ColumnWidthsFollowTheDigitWidthOfTheStandardFont) {
    struct Case {
        const char16_t* font;
        double size;
        int mdw;
        int defaultPx;
        double defaultWidth;
    } cases[] = {
        {u"Calibri", 11, 7, 64, 8.43},         {u"Arial", 10, 7, 64, 8.43},
        {u"ＭＳ Ｐゴシック", 11, 8, 72, 8.38}, {u"MS PGothic", 11, 8, 72, 8.38},
        {u"游ゴシック", 11, 8, 72, 8.38},      {u"Unknown Font", 11, 7, 64, 8.43},
    };
    for (const auto& c : cases) {
        const int mdw = maxDigitWidth(c.font, c.size);
        EXPECT_EQ(mdw, c.mdw) << c.size;
        EXPECT_EQ(defaultColumnPixels(8, mdw), c.defaultPx);
        EXPECT_DOUBLE_EQ(columnWidthFromPixels(c.defaultPx, mdw), c.defaultWidth);
    }
    // Stored widths (padding included) to pixels and back; 12.5 is exact with an 8-pixel digit.
    struct Width {
        double stored;
        int mdw;
        int px;
        double width;
    } widths[] = {
        {9.140625, 7, 64, 8.43},
        {10.7109375, 7, 75, 10},
        {13.125, 8, 105, 12.5},
        {0.5703125, 7, 4, 0.33},
        {0, 7, 0, 0},
        {300, 7, 1785, 254.29},
    };
    for (const auto& w : widths) {
        EXPECT_EQ(columnPixelsFromWidth(w.stored, w.mdw), w.px) << w.stored;
        EXPECT_DOUBLE_EQ(columnWidthFromPixels(w.px, w.mdw), w.width) << w.stored;
    }
    EXPECT_DOUBLE_EQ(textWidthInDigits(u"1.23E+12"), 7.5);
    EXPECT_DOUBLE_EQ(textWidthInDigits(u"日本"), 4);
}

TEST(RangeRef, ParsesCellsAndRangesWithinTheSheet) {
    EXPECT_EQ(parseRangeRef(std::string_view("B2")), (CellRange{2, 2, 2, 2}));
    EXPECT_EQ(parseRangeRef(std::u16string_view(u"$d$4:b2")), (CellRange{2, 2, 4, 4}));
    EXPECT_EQ(parseRangeRef(std::string_view("XFD1048576")),
              (CellRange{1048576, 16384, 1048576, 16384}));
    for (const char* bad :
         {"", "B", "2", "XFE1", "A1048577", "A0", "B2:", "B2:C", "B2 ", "AAAAA1", "A1:B2:C3"}) {
        EXPECT_FALSE(parseRangeRef(std::string_view(bad)).has_value()) << bad;
    }
}

// Reads a workbook and returns the reason of its WorkbookError ("" when it loads).
std::string loadError(const std::filesystem::path& path) {
    try {
        XlsxWorkbook::load(path);
    } catch (const WorkbookError& e) {
        EXPECT_EQ(e.path(), path);
        EXPECT_NE(std::string(e.what()).find(path.filename().string()), std::string::npos);
        return e.reason();
    }
    return "";
}

TEST(XlsxWorkbookErrors, BadInputNamesTheFileAndTheReason) {
    TempDir dir;
    auto writeFile = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return dir / name;
    };
    const std::string ok = sheetXml("<sheetData/>");
    std::vector<std::pair<std::string, std::string>> noWorkbook = minimalParts(ok);
    noWorkbook.erase(noWorkbook.begin() + 2);
    const auto badStyles = minimalParts(ok, {{"styles", "styles.xml", "<styleSheet><fonts>"}});
    const auto bomb = minimalParts(ok, {{"sharedStrings", "sharedStrings.xml",
                                         "<sst>" + std::string(9 << 20, ' ') + "</sst>"}});

    // Nesting past any a workbook needs: after the cells, inside a kept cell, in a string item.
    std::string deep;
    for (int i = 0; i < 100; ++i) deep += "<x" + std::to_string(i % 7) + ">";
    for (int i = 99; i >= 0; --i) deep += "</x" + std::to_string(i % 7) + ">";
    const std::string oneCell =
        R"(<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c></row></sheetData>)";
    const auto deepStrings = minimalParts(
        sheetXml(oneCell),
        {{"sharedStrings", "sharedStrings.xml", "<sst><si><t>a</t>" + deep + "</si></sst>"}});

    std::string overlapping = "<sheetData/><mergeCells>";
    for (int i = 0; i < 5000; ++i) overlapping += R"(<mergeCell ref="A1:A4096"/>)";
    overlapping += "</mergeCells>";

    struct Case {
        const char* what;
        std::filesystem::path file;
        const char* reason;
    } cases[] = {
        {"missing file", dir / "nothing.xlsx", "No such file"},
        {"text file", writeFile("text.xlsx", "just some text"), "not a zip archive"},
        {"empty file", writeFile("empty.xlsx", ""), "empty"},
        {"encrypted",
         writeFile("secret.xlsx", std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8) + "xx"),
         "encrypted"},
        {"truncated zip", writeFile("cut.xlsx", "PK\x03\x04garbage"), "zip archive"},
        {"zip without workbook", writeZip(dir / "nowb.xlsx", noWorkbook), "not a workbook"},
        {"malformed sheet",
         writeZip(dir / "badxml.xlsx", minimalParts(sheetXml("<sheetData><row>"))),
         "not well-formed XML"},
        {"malformed styles", writeZip(dir / "badstyles.xlsx", badStyles), "xl/styles.xml"},
        {"column beyond XFD",
         writeZip(dir / "wide.xlsx",
                  minimalParts(sheetXml(
                      R"(<sheetData><row r="1"><c r="XFE1"><v>1</v></c></row></sheetData>)"))),
         "outside the sheet's limits"},
        {"row beyond the last",
         writeZip(dir / "tall.xlsx",
                  minimalParts(sheetXml(R"(<sheetData><row r="1048577"/></sheetData>)"))),
         "outside the sheet's limits"},
        {"merge beyond the sheet",
         writeZip(dir / "merge.xlsx",
                  minimalParts(sheetXml(
                      R"(<sheetData/><mergeCells><mergeCell ref="A1:XFZ2"/></mergeCells>)"))),
         "outside the sheet's limits"},
        {"columns beyond the sheet",
         writeZip(dir / "cols.xlsx",
                  minimalParts(sheetXml(
                      R"(<cols><col min="2" max="20000" width="3"/></cols><sheetData/>)"))),
         "outside the sheet's limits"},
        {"missing shared string",
         writeZip(dir / "sst.xlsx",
                  minimalParts(sheetXml(
                      R"(<sheetData><row r="1"><c r="A1" t="s"><v>4</v></c></row></sheetData>)"))),
         "shared string"},
        {"malformed number",
         writeZip(dir / "num.xlsx",
                  minimalParts(sheetXml(
                      R"(<sheetData><row r="1"><c r="A1"><v>1x</v></c></row></sheetData>)"))),
         "malformed number"},
        {"zip bomb", writeZip(dir / "bomb.xlsx", bomb), "zip bomb"},
        {"overlapping merges", writeZip(dir / "overlap.xlsx", minimalParts(sheetXml(overlapping))),
         "merged cells overlap"},
        {"deep after the cells",
         writeZip(dir / "deep.xlsx", minimalParts(sheetXml("<sheetData/>" + deep))),
         "part xl/worksheets/sheet1.xml: elements nest more than 64 deep"},
        {"deep in a cell",
         writeZip(dir / "deepcell.xlsx",
                  minimalParts(sheetXml(R"(<sheetData><row r="1"><c r="A1"><v>1)" + deep +
                                        "</v></c></row></sheetData>"))),
         "elements nest more than 64 deep"},
        {"deep in a shared string", writeZip(dir / "deepsst.xlsx", deepStrings),
         "part xl/sharedStrings.xml: elements nest more than 64 deep"},
    };
    for (const Case& c : cases) {
        const std::string reason = loadError(c.file);
        EXPECT_NE(reason.find(c.reason), std::string::npos) << c.what << ": " << reason;
    }
}

TEST(XlsxWorkbook, SavedSelectionFallsBackToTheActiveCellThenA1) {
    TempDir dir;
    struct Case {
        const char* view;
        CellRange expected;
    } cases[] = {
        {R"(<selection activeCell="C3" sqref="B2:C3 E5"/>)", {2, 2, 3, 3}},
        {R"(<selection activeCell="C3" sqref="A:A"/>)", {3, 3, 3, 3}},
        {R"(<selection activeCell="C3"/>)", {3, 3, 3, 3}},
        {R"(<selection/>)", {1, 1, 1, 1}},
        {R"(<pane ySplit="1" activePane="bottomLeft" state="frozen"/><selection pane="bottomLeft" sqref="D9"/>)",
         {9, 4, 9, 4}},
        {R"(<pane xSplit="2" ySplit="1" activePane="bottomRight" state="split"/><selection sqref="A1"/><selection pane="bottomRight" activeCell="F7" sqref="F7:G8"/>)",
         {7, 6, 8, 7}},
        {R"(<pane xSplit="2" activePane="topRight"/><selection sqref="A1"/>)", {1, 1, 1, 1}},
    };
    int i = 0;
    for (const Case& c : cases) {
        const auto path =
            writeZip(dir / ("sel" + std::to_string(i++) + ".xlsx"),
                     minimalParts(sheetXml(std::string("<sheetViews><sheetView>") + c.view +
                                           "</sheetView></sheetViews><sheetData/>")));
        EXPECT_EQ(XlsxWorkbook::load(path)->sheets().front().selection, c.expected) << c.view;
    }
}

TEST(XlsxWorkbook, PositionsAreTheSumsOfTheWidthsAndHeightsBefore) {
    TempDir dir;
    const auto path = writeZip(dir / "pos.xlsx", minimalParts(sheetXml(R"(
        <sheetFormatPr defaultRowHeight="13.5" zeroHeight="0"/>
        <cols><col min="2" max="4" width="3.7109375"/><col min="6" max="6" hidden="1" width="20"/>
              <col min="7" max="9" style="0"/><col min="12" max="16384" width="1.5"/></cols>
        <sheetData><row r="2" ht="30"/><row r="4" hidden="1" ht="40"/><row r="7" ht="6.75"/></sheetData>)")));
    const auto wb = XlsxWorkbook::load(path);
    const Sheet& sheet = wb->sheets().front();
    std::int64_t px = 0;
    double pt = 0;
    for (std::uint32_t i = 1; i <= 40; ++i) {
        EXPECT_EQ(wb->pixelsLeftOf(sheet, i), px) << "column " << i;
        EXPECT_DOUBLE_EQ(wb->pointsAbove(sheet, i), pt) << "row " << i;
        px += wb->columnPixels(sheet, i);
        pt += wb->rowHeight(sheet, i);
    }
    EXPECT_EQ(wb->columnPixels(sheet, 6), 0);
    EXPECT_DOUBLE_EQ(wb->rowHeight(sheet, 4), 0);
    EXPECT_DOUBLE_EQ(wb->pointsAbove(sheet, 1048576),
                     1048575 * 13.5 + (30 - 13.5) - 13.5 + (6.75 - 13.5));
}

TEST(XlsxWorkbook, MergedRangesAreFoundThroughTheirIndex) {
    TempDir dir;
    std::string merges;
    for (int i = 0; i < 2000; ++i) {  // A1:B1, C1:D1, ... and the same in row 3 and 4 (2 rows)
        const std::string a = columnLetters(2 * i + 1), b = columnLetters(2 * i + 2);
        merges += "<mergeCell ref=\"" + a + "1:" + b + "1\"/>";
        merges += "<mergeCell ref=\"" + a + "3:" + b + "4\"/>";
    }
    merges += R"(<mergeCell ref="D10:E6000"/><mergeCell ref="G10000:XFD1048576"/>)";
    const auto path =
        writeZip(dir / "merges.xlsx",
                 minimalParts(sheetXml("<sheetData/><mergeCells>" + merges + "</mergeCells>")));
    const auto wb = XlsxWorkbook::load(path);
    const Sheet& sheet = wb->sheets().front();
    for (std::uint32_t row :
         {1u, 2u, 3u, 4u, 9u, 10u, 5000u, 6000u, 6001u, 9999u, 10000u, 1048576u}) {
        for (std::uint32_t col : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 3999u, 4000u, 4001u, 16384u}) {
            const CellRange* expected = nullptr;
            for (const CellRange& m : sheet.merges)
                if (m.contains(row, col)) expected = &m;
            EXPECT_EQ(wb->mergeAt(sheet, row, col), expected) << row << "," << col;
        }
    }
}

// Texts as Excel shows them through their cells' formats: a text section applies even where the
// format has no number section; built-in format 13 pads to two digits.
TEST(XlsxWorkbook, TextsThroughTextSectionsAndBuiltInFractions) {
    TempDir dir;
    const auto path = testing::buildXlsx(dir / "texts.xlsx", [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, nullptr);
        worksheet_set_column(ws, 0, 0, 20, nullptr);
        const char* codes[] = {"@\"様\"", "\"品番:\"@", "0;@\"様\"", "@", "General", "0.00"};
        for (lxw_row_t r = 0; r < 6; ++r) {
            lxw_format* f = workbook_add_format(wb);
            format_set_num_format(f, codes[r]);
            worksheet_write_string(ws, r, 0, "山田", f);
        }
        lxw_format* fraction = workbook_add_format(wb);
        format_set_num_format_index(fraction, 13);
        worksheet_write_number(ws, 6, 0, 1.25, fraction);
        worksheet_write_number(ws, 7, 0, -12.34, fraction);
    });
    const auto wb = XlsxWorkbook::load(path);
    const Sheet& sheet = wb->sheets().front();
    const std::u16string expected[] = {u"山田様", u"品番:山田", u"山田様",  u"山田",
                                       u"山田",   u"山田",      u"1  1/4 ", u"-12 17/50"};
    for (std::uint32_t row = 1; row <= 8; ++row) {
        EXPECT_EQ(displayText(*wb, sheet, row, 1), expected[row - 1]) << "row " << row;
    }
    EXPECT_EQ(builtinNumberFormat(13), u"# ?\?/??");
}

TEST(XlsxWorkbook, HandWrittenPartsWithErrorsInlineStringsAndEscapes) {
    TempDir dir;
    const auto path = writeZip(dir / "raw.xlsx", minimalParts(sheetXml(R"(
        <sheetViews><sheetView><selection activeCell="C3" sqref="B2:C3 E5"/></sheetView></sheetViews>
        <sheetFormatPr defaultRowHeight="18.75" baseColWidth="10"/>
        <sheetData>
          <row r="2"><c r="B2" t="e"><f>1/0</f><v>#DIV/0!</v></c><c r="C2" t="inlineStr"><is><t xml:space="preserve"> a_x000D_b </t></is></c></row>
          <row><c t="str"><f>"x"</f><v>x</v></c><c t="b"><v>0</v></c><c><v>2.5</v></c><c t="d"><v>2024-03-01T12:00:00</v></c><c t="d"><v>1900-01-01</v></c></row>
          <row r="5"><c r="A5" t="inlineStr"><is><r><t>漢字</t></r><rPh sb="0" eb="2"><t>カンジ</t></rPh></is></c></row>
        </sheetData>)")));
    const auto wb = XlsxWorkbook::load(path);
    const Sheet& sheet = wb->sheets().front();
    EXPECT_EQ(sheet.selection, (CellRange{2, 2, 3, 3}));
    EXPECT_DOUBLE_EQ(wb->rowHeight(sheet, 1), 18.75);
    EXPECT_EQ(wb->columnPixels(sheet, 1), 80);  // 10 * 7 + 5 rounded up to a multiple of 8
    EXPECT_EQ(displayText(*wb, sheet, 2, 2), u"#DIV/0!");
    EXPECT_EQ(displayText(*wb, sheet, 2, 3), u" a\rb ");
    EXPECT_EQ(displayText(*wb, sheet, 3, 1), u"x");
    EXPECT_EQ(displayText(*wb, sheet, 3, 2), u"FALSE");
    EXPECT_EQ(displayText(*wb, sheet, 3, 3), u"2.5");
    EXPECT_EQ(displayText(*wb, sheet, 5, 1), u"漢字");  // phonetic run left out
    ASSERT_NE(wb->findCell(sheet, 3, 4), nullptr);
    EXPECT_DOUBLE_EQ(wb->findCell(sheet, 3, 4)->number, 45352.5);  // ISO date cells as serials
    EXPECT_DOUBLE_EQ(wb->findCell(sheet, 3, 5)->number, 1);

    const auto app = makeWorkbookApplication(wb);
    const auto b2 =
        app->getObject(u"ActiveSheet")->getObject(u"Range", {automation::Variant(u"B2")});
    const auto value = b2->get(u"Value2");
    ASSERT_TRUE(value.is<automation::ErrorValue>());
    EXPECT_EQ(static_cast<std::uint32_t>(value.get_if<automation::ErrorValue>()->code),
              0x800A07D7u);
}

TEST(XlsxWorkbook, ExcelsLimitsCutTextsAndLeaveOutLongFormatCodes) {
    TempDir dir;
    const std::string code255(255, '0');
    const std::string code256(256, '0');
    const std::string styles =
        R"(<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><numFmts>)"
        R"(<numFmt numFmtId="164" formatCode=")" +
        code255 + R"("/><numFmt numFmtId="165" formatCode=")" + code256 +
        R"("/></numFmts><cellXfs><xf/><xf numFmtId="164"/><xf numFmtId="165"/><xf numFmtId="164"/>)"
        R"(</cellXfs></styleSheet>)";
    // Two runs across the cut, the second with a font size past Excel's range.
    const std::string strings =
        R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><si><r><t>)" +
        std::string(30000, 'a') + R"(</t></r><r><rPr><sz val="1e308"/></rPr><t>)" +
        std::string(10000, 'b') + "</t></r></si></sst>";
    const auto path = writeZip(
        dir / "limits.xlsx",
        minimalParts(sheetXml(R"(<sheetData><row r="1"><c r="A1" t="s"><v>0</v></c>)"
                              R"(<c r="B1" t="inlineStr"><is><t>)" +
                              std::string(32768, 'c') + "</t></is></c>" +
                              R"(<c r="C1" t="inlineStr"><is><r><rPr><sz val="1e-300"/></rPr>)"
                              R"(<t>tiny</t></r><r><rPr><sz val="NaN"/></rPr><t>x</t></r></is></c>)"
                              "</row></sheetData>"),
                     {{"styles", "styles.xml", styles}, {"sharedStrings", "sst.xml", strings}}));
    const auto wb = XlsxWorkbook::load(path);
    const Sheet& sheet = wb->sheets().front();
    EXPECT_EQ(wb->formatCodeOf(1), std::u16string(255, u'0'));
    EXPECT_EQ(&wb->formatCodeOf(1), &wb->formatCodeOf(3));  // shared, not copied
    EXPECT_EQ(wb->formatCodeOf(2), u"General");

    const RichString& shared = wb->textOf(sheet, *wb->findCell(sheet, 1, 1));
    EXPECT_EQ(shared.text.size(), kMaxCellTextChars);
    ASSERT_EQ(shared.runs.size(), 2u);
    EXPECT_EQ(shared.runs[1].length, kMaxCellTextChars - 30000);
    EXPECT_EQ(shared.runs[1].size, kMaxFontSize);
    // Sizes below Excel's least come up to it (a height of 0 would draw no text); a size that is
    // no number leaves the run the cell's font.
    const RichString& tiny = wb->textOf(sheet, *wb->findCell(sheet, 1, 3));
    ASSERT_EQ(tiny.runs.size(), 2u);
    EXPECT_EQ(tiny.runs[0].size, kMinFontSize);
    EXPECT_TRUE(std::isnan(tiny.runs[1].size));
    EXPECT_EQ(displayText(*wb, sheet, 1, 2).size(), kMaxCellTextChars);

    ASSERT_EQ(wb->notes().size(), 2u);
    EXPECT_NE(wb->notes()[0].english().find("(id 165) longer than Excel's 255 characters"),
              std::string::npos);
    EXPECT_NE(wb->notes()[1].english().find("2 texts longer than Excel's 32,767"),
              std::string::npos);
}

}  // namespace
}  // namespace tabrova::workbook
