// Reads of one range of a sheet answer every member as the read of the whole sheet does, while
// holding only what the range needs.
#include <gtest/gtest.h>

#include "platform/Utf8.h"
#include "support/WorkbookObjects.h"
#include "table/CellAddress.h"
#include "workbook/TestWorkbooks.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {
namespace {

using automation::AutomationError;
using automation::ObjectPtr;
using automation::Variant;
using testing::ExtraPart;
using testing::minimalParts;
using testing::TempDir;
using testing::writeZip;

// The members the selection reader asks of one cell, as one line.
std::string cellFacts(const ObjectPtr& sheet, std::uint32_t row, std::uint32_t col) {
    const ObjectPtr cell = sheet->getObject(u"Range", {Variant(CellAddress(col, row))});
    std::u16string out;
    auto add = [&](const ObjectPtr& object, const char16_t* member,
                   std::initializer_list<Variant> args = {}) {
        try {
            out += object->get(member, args).toText() + u"|";
        } catch (const AutomationError&) {
            out += u"(not text)|";  // an error value, or Null for mixed font sizes
        }
    };
    for (const char16_t* member :
         {u"Text", u"Value2", u"RowHeight", u"ColumnWidth", u"HorizontalAlignment", u"MergeCells"})
        add(cell, member);
    add(cell->getObject(u"Font"), u"Size");
    for (std::int32_t edge : {7, 8, 9, 10})
        add(cell->getObject(u"Borders", {Variant(edge)}), u"LineStyle");
    const ObjectPtr area = cell->getObject(u"MergeArea");
    for (const char16_t* member : {u"Address", u"Left", u"Top"}) add(area, member);
    return utf16ToUtf8(out);
}

// A sheet with what a scan that passes rows over must not stumble on.
std::string awkwardSheet() {
    std::string rows;
    for (int r = 1; r <= 40; ++r) {
        const std::string n = std::to_string(r);
        if (r == 12) {
            rows += "<x:row r=\"&#49;2\">";  // a character reference in the number
        } else if (r == 13 || r == 14) {
            rows += "<x:row>";  // numbered after the row before
        } else if (r % 6 == 0) {
            rows +=
                "<x:row r=\"" + n + "\" ht=\"" + std::to_string(10 + r) + "\" customHeight=\"1\">";
        } else if (r % 7 == 0) {
            rows += "<x:row r=\"" + n + "\" s=\"1\" customFormat=\"1\">";
        } else {
            rows += "<x:row r = '" + n + "' spans=\"1:4\" >";
        }
        rows += "<x:c r=\"A" + n + "\" t=\"s\"><x:v>" + std::to_string(r * 3) + "</x:v></x:c>";
        rows += "<x:c r=\"B" + n + "\" s=\"1\"><x:v>" + n + ".5</x:v></x:c>";
        // Markup that holds what looks like the row's end.
        rows += "<!-- </x:row> --><x:c r=\"C" + n +
                "\" t=\"inlineStr\"><x:is><x:t><![CDATA[</x:row>]]>&lt;" + n +
                "</x:t></x:is></x:c>";
        rows += "<?pi </x:row>?><x:c r=\"D" + n + "\" t=\"e\"><x:v>#N/A</x:v></x:c></x:row >\n";
        if (r == 20) rows += "<x:row r=\"21\"/><!-- a comment between rows -->";
        if (r == 20) ++r;
    }
    return R"(<?xml version="1.0" encoding="UTF-8"?>
<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<x:sheetViews><x:sheetView><x:selection activeCell="B9" sqref="B9:C16"/></x:sheetView></x:sheetViews>
<x:sheetFormatPr defaultRowHeight="15"/><x:cols><x:col min="2" max="2" width="20" customWidth="1"/></x:cols>
<x:sheetData>)" +
           rows + R"(</x:sheetData>
<x:mergeCells><x:mergeCell ref="B8:C9"/><x:mergeCell ref="A16:B17"/><x:mergeCell ref="C30:D33"/></x:mergeCells>
</x:worksheet>)";
}

std::vector<ExtraPart> stylesAndStrings() {
    // Entry 3, which A1 refers to, is rich text.
    std::string strings =
        R"(<sst><si><t>a</t></si><si><t>b</t></si><si><t>c</t></si><si><r><t>o</t></r><r><rPr><sz val="20"/></rPr><t>ne</t></r></si>)";
    for (int i = 4; i < 150; ++i) strings += "<si><t>s" + std::to_string(i) + "</t></si>";
    return {
        {"styles", "styles.xml",
         R"(<styleSheet><fonts><font><sz val="11"/><name val="Calibri"/></font><font><sz val="9"/><name val="Calibri"/></font></fonts>
                <borders><border/><border><left style="thin"/><bottom style="double"/></border></borders>
                <cellXfs><xf/><xf fontId="1" borderId="1"><alignment horizontal="center"/></xf></cellXfs></styleSheet>)"},
        {"sharedStrings", "sharedStrings.xml", strings + "</sst>"}};
}

TEST(RangeRead, AnswersAsTheWholeSheetAndHoldsOnlyTheRange) {
    TempDir dir;
    const auto path =
        writeZip(dir / "awkward.xlsx", minimalParts(awkwardSheet(), stylesAndStrings()));
    const auto whole = XlsxWorkbook::load(path);
    const ObjectPtr wholeSheet = makeWorkbookApplication(whole)->getObject(u"ActiveSheet");
    // The top, ranges whose edges cut merged ranges, the rows numbered after others, the end,
    // beyond the last row, a rich shared string; and the saved selection.
    for (const char* ref :
         {"A1:D3", "C9:D16", "A12:D15", "B17:C17", "D30:D40", "A38:D45", "A21:B22", "A1", ""}) {
        SCOPED_TRACE(ref);
        const auto opened = XlsxWorkbook::open(path);
        const ObjectPtr app = makeWorkbookApplication(opened);
        const ObjectPtr sheet = app->getObject(u"ActiveSheet");
        if (*ref) sheet->getObject(u"Range", {Variant(utf8ToUtf16(ref))})->call(u"Select");
        const ObjectPtr sel = app->getObject(u"Selection");
        const CellRange range{
            static_cast<std::uint32_t>(sel->get(u"Row").toInt()),
            static_cast<std::uint32_t>(sel->get(u"Column").toInt()),
            static_cast<std::uint32_t>(sel->get(u"Row").toInt() +
                                       sel->getObject(u"Rows")->get(u"Count").toInt() - 1),
            static_cast<std::uint32_t>(sel->get(u"Column").toInt() +
                                       sel->getObject(u"Columns")->get(u"Count").toInt() - 1)};
        for (std::uint32_t r = range.firstRow; r <= range.lastRow; ++r)
            for (std::uint32_t c = range.firstCol; c <= range.lastCol; ++c)
                EXPECT_EQ(cellFacts(sheet, r, c), cellFacts(wholeSheet, r, c)) << r << "," << c;

        const Sheet& held = opened->sheets().front();
        ASSERT_EQ(held.cellsRead, range);
        for (const Cell& cell : held.cells) {
            EXPECT_LE(cell.row, range.lastRow + 1);
            EXPECT_GE(cell.row + 1, range.firstRow);
        }
        // One text per string and error cell held (their shared strings all differ): no more.
        std::size_t texts = 0;
        for (const Cell& cell : held.cells)
            texts += cell.type == CellType::string || cell.type == CellType::error;
        EXPECT_EQ(held.strings.size(), texts);
    }
}

TEST(RangeRead, ErrorsNameThePartAndTheOffsetInIt) {
    TempDir dir;
    std::string rows;
    for (int r = 1; r <= 30; ++r)
        rows +=
            "<row r=\"" + std::to_string(r) + "\"><c><v>" + std::to_string(r) + "</v></c></row>";
    struct Case {
        const char* what;
        std::string sheet;
        std::vector<ExtraPart> extra;
        const char* range;
    } cases[] = {
        {"malformed row in the range", rows + "<row r=\"31\"><c><v>1</c></row>", {}, "A31"},
        {"malformed merge after the rows",
         rows + "</sheetData><mergeCells><mergeCell ref=\"A1:B2\"></mergeCells><sheetData>",
         {},
         "A2"},
        {"missing shared string",
         rows + "<row r=\"40\"><c t=\"s\"><v>7</v></c></row>",
         {{"sharedStrings", "sharedStrings.xml", "<sst><si><t>a</t></si></sst>"}},
         "A35:A40"},
        {"shared strings not well formed",
         rows + "<row r=\"40\"><c t=\"s\"><v>0</v></c></row>",
         {{"sharedStrings", "sharedStrings.xml", "<sst><si><t>a</si></sst>"}},
         "A40"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto path = writeZip(
            dir / "bad.xlsx",
            minimalParts(testing::sheetXml("<sheetData>" + c.sheet + "</sheetData>"), c.extra));
        std::string whole, ranged;
        try {
            XlsxWorkbook::load(path);
        } catch (const WorkbookError& e) {
            whole = e.reason();
        }
        try {
            XlsxWorkbook::open(path)->readCells(0, *parseRangeRef(std::string_view(c.range)));
        } catch (const WorkbookError& e) {
            ranged = e.reason();
        }
        EXPECT_FALSE(whole.empty());
        EXPECT_EQ(ranged, whole);
    }
}

}  // namespace
}  // namespace tabrova::workbook
