// A range's XML Spreadsheet 2003 text as the imitation's Range.Value(11) gives it, read back with
// the program's own reader from the range's top-left cell: cell by cell it tells what the
// imitation's members tell, as far as the range holds it.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/Utf8.h"
#include "support/WorkbookObjects.h"
#include "table/CellAddress.h"
#include "table/ExcelConstants.h"
#include "workbook/SpreadsheetMl.h"
#include "workbook/SpreadsheetMlFacts.h"
#include "workbook/TestWorkbooks.h"

namespace tabrova::workbook {
namespace {

using automation::Missing;
using automation::ObjectPtr;
using automation::Variant;

std::string narrow(std::u16string_view text) { return utf16ToUtf8(text); }

// What the per-cell reader takes for a cell's font size: Font.Size, or the first character's
// when the characters differ.
double fontSizeOf(const ObjectPtr& cell) {
    const Variant size = cell->getObject(u"Font")->get(u"Size");
    if (!size.isNull()) return size.toDouble();
    return cell->getObject(u"Characters", {std::int32_t{1}, std::int32_t{1}})
        ->getObject(u"Font")
        ->get(u"Size")
        .toDouble();
}

// The value the document holds for a cell, in the form of the imitation's Value2.
Variant documentValue(const spreadsheetml::Sheet& sheet, std::uint32_t row, std::uint32_t col) {
    const spreadsheetml::Cell* cell = spreadsheetml::findCell(sheet, row, col);
    if (!cell) return automation::Empty{};
    switch (cell->type) {
        case CellType::number:
            return cell->number;
        case CellType::boolean:
            return cell->number != 0;
        case CellType::string:
            return cell->text.text;
        case CellType::error:
            return u"error " + cell->text.text;
        case CellType::blank:
            break;
    }
    return automation::Empty{};
}

std::string show(const Variant& v) {
    if (v.isEmpty()) return "Empty";
    if (const auto* b = v.get_if<bool>()) return *b ? "TRUE" : "FALSE";
    if (const auto* d = v.get_if<double>()) return std::to_string(*d);
    if (const auto* s = v.get_if<std::u16string>()) return "\"" + narrow(*s) + "\"";
    if (v.is<automation::ErrorValue>()) return "error";
    return "other";
}

// Checks every cell of the range on the sheet of the workbook's application.
void expectRangeXmlTellsTheMembersFacts(const std::shared_ptr<XlsxWorkbook>& wb,
                                        const ObjectPtr& app, const std::u16string& sheetName,
                                        const std::u16string& ref) {
    SCOPED_TRACE(narrow(sheetName) + "!" + narrow(ref));
    const ObjectPtr ws = app->get(u"Worksheets", {Variant(sheetName)}).toObject();
    const ObjectPtr range = ws->getObject(u"Range", {Variant(ref), Missing{}});
    const std::u16string xml = range->get(u"Value", {std::int32_t{11}}).toText();
    const CellRange r = *parseRangeRef(ref);
    spreadsheetml::Reading reading;
    reading.originRow = r.firstRow;
    reading.originCol = r.firstCol;
    const spreadsheetml::Document doc =
        spreadsheetml::parse(utf16ToUtf8(xml), "Value(11)", reading);
    ASSERT_EQ(doc.sheets.size(), 1u);
    const spreadsheetml::Sheet& sheet = doc.sheets[0];
    EXPECT_EQ(sheet.name, sheetName);
    const spreadsheetml::SheetFacts facts(doc, sheet);
    const Sheet& book = wb->sheets()[*wb->findSheet(sheetName)];
    const double rangeLeft = range->get(u"Left").toDouble();
    const double rangeTop = range->get(u"Top").toDouble();

    auto cellAt = [&](std::uint32_t row, std::uint32_t col) {
        return ws->getObject(u"Range", {Variant(CellAddress(col, row)), Missing{}});
    };
    auto isCovered = [&](std::uint32_t row, std::uint32_t col) {
        const CellRange* m = wb->mergeAt(book, row, col);
        return m && r.contains(m->firstRow, m->firstCol) &&
               !(m->firstRow == row && m->firstCol == col);
    };
    static constexpr struct {
        EdgeIndex index;
        std::uint8_t bit;
        std::int32_t borders;  // XlBordersIndex
        int dRow, dCol;        // towards the neighbour across the edge
    } kEdges[] = {{edgeIndexTop, edgeTop, excel::xlEdgeTop, -1, 0},
                  {edgeIndexBottom, edgeBottom, excel::xlEdgeBottom, 1, 0},
                  {edgeIndexLeft, edgeLeft, excel::xlEdgeLeft, 0, -1},
                  {edgeIndexRight, edgeRight, excel::xlEdgeRight, 0, 1}};

    for (std::uint32_t row = r.firstRow; row <= r.lastRow; ++row) {
        for (std::uint32_t col = r.firstCol; col <= r.lastCol; ++col) {
            SCOPED_TRACE(narrow(CellAddress(col, row)));
            const ObjectPtr cell = cellAt(row, col);
            const CellFacts f = facts.cell(row, col).facts;
            EXPECT_NEAR(f.columnWidth, cell->get(u"ColumnWidth").toDouble(), 1e-9);
            EXPECT_EQ(f.rowHeight, cell->get(u"RowHeight").toDouble());

            // The merged area as the range holds it: clipped when its top-left cell lies in the
            // range, else none.
            const ObjectPtr area = cell->getObject(u"MergeArea");
            const CellRange m = *parseRangeRef(area->get(u"Address").toText());
            const bool anchored = r.contains(m.firstRow, m.firstCol);
            const CellRange held =
                anchored ? CellRange{m.firstRow, m.firstCol, std::min(m.lastRow, r.lastRow),
                                     std::min(m.lastCol, r.lastCol)}
                         : CellRange{row, col, row, col};
            const ObjectPtr heldAnchor = anchored ? area : cell;
            EXPECT_EQ(f.merged, held.lastRow > held.firstRow || held.lastCol > held.firstCol);
            EXPECT_EQ(f.mergeRows, held.lastRow - held.firstRow + 1);
            EXPECT_EQ(f.mergeCols, held.lastCol - held.firstCol + 1);
            EXPECT_EQ(f.mergeLeft, heldAnchor->get(u"Left").toDouble() - rangeLeft);
            EXPECT_EQ(f.mergeTop, heldAnchor->get(u"Top").toDouble() - rangeTop);
            if (isCovered(row, col)) continue;  // the document leaves it out

            const spreadsheetml::Style& style = doc.styles[spreadsheetml::styleAt(sheet, row, col)];
            EXPECT_EQ(style.horizontal, cell->get(u"HorizontalAlignment").toInt());
            EXPECT_EQ(style.vertical, cell->get(u"VerticalAlignment").toInt());
            EXPECT_EQ(style.wrapText, cell->get(u"WrapText").toBool());
            EXPECT_EQ(style.shrinkToFit, cell->get(u"ShrinkToFit").toBool());
            EXPECT_EQ(f.fontSize, fontSizeOf(cell));

            const Variant value = cell->get(u"Value2");
            const Variant stored = documentValue(sheet, row, col);
            if (value.is<automation::ErrorValue>()) {
                EXPECT_EQ(show(stored), show(u"error " + cell->get(u"Text").toText()));
            } else {
                EXPECT_EQ(show(stored), show(value));
            }
            if (value.is<std::u16string>()) {
                EXPECT_EQ(f.text, cell->get(u"Text").toText());
            }

            const BorderInfo& own = wb->borderOf(wb->styleAt(book, row, col));
            const BorderEdge ownEdges[] = {own.top, own.bottom, own.left, own.right};
            for (const auto& e : kEdges) {
                SCOPED_TRACE(e.borders);
                // Each cell's style carries its own edges.
                const BorderEdge& written = style.borders[e.index];
                const BorderEdge& expected = ownEdges[e.index];
                EXPECT_EQ(written.style, expected.style);
                if (expected.style != excel::xlLineStyleNone) {
                    EXPECT_EQ(written.weight, expected.weight);
                }
                // Inside the range a neighbour's facing edge shows as the member does.
                const std::uint32_t nRow = row + e.dRow, nCol = col + e.dCol;
                if (!r.contains(nRow, nCol) || isCovered(nRow, nCol)) continue;
                const ObjectPtr border = cell->getObject(u"Borders", {e.borders});
                const std::int32_t line = border->get(u"LineStyle").toInt();
                EXPECT_EQ((f.lineBits & e.bit) != 0, line != excel::xlLineStyleNone);
                if (line != excel::xlLineStyleNone) {
                    const EdgeStyle shown =
                        excel::edgeStyleOf(line, border->get(u"Weight").toInt());
                    EXPECT_EQ(f.edgeStyles[e.index].line, shown.line);
                    EXPECT_EQ(f.edgeStyles[e.index].weight, shown.weight);
                }
            }
        }
    }
}

TEST(RangeXml, SampleWorkbookRangesReadBackAsTheMembersTell) {
    const auto wb =
        XlsxWorkbook::open(std::filesystem::path(TABROVA_SAMPLES_DIR) / "parts-list.xlsx");
    const ObjectPtr app = makeWorkbookApplication(wb);
    // The whole table; a block that cuts the merged headers from above and the total's label from
    // the left; the header row, which cuts the two-row headers below.
    for (const char16_t* ref : {u"A1:H16", u"B5:G16", u"A4:H4"})
        expectRangeXmlTellsTheMembersFacts(wb, app, u"部品表", ref);
    expectRangeXmlTellsTheMembersFacts(wb, app, u"改訂履歴", u"A1:C3");
}

class StyledWorkbook : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new testing::TempDir();
        testing::buildXlsx(*dir_ / "styled.xlsx", [](lxw_workbook* book) {
            lxw_worksheet* ws = workbook_add_worksheet(book, "Styled");
            lxw_row_col_options hidden = {.hidden = 1, .level = 0, .collapsed = 0};
            worksheet_set_column(ws, 1, 1, 14, nullptr);
            worksheet_set_column_opt(ws, 3, 3, 8.43, nullptr, &hidden);
            worksheet_set_column(ws, 5, 5, 30, nullptr);
            worksheet_set_row(ws, 2, 24, nullptr);
            worksheet_set_row_opt(ws, 5, 15, nullptr, &hidden);

            // Every line style as B's bottom and right edges, two rows apart.
            const std::uint8_t lines[] = {LXW_BORDER_THIN,          LXW_BORDER_HAIR,
                                          LXW_BORDER_MEDIUM,        LXW_BORDER_THICK,
                                          LXW_BORDER_DASHED,        LXW_BORDER_MEDIUM_DASHED,
                                          LXW_BORDER_DOTTED,        LXW_BORDER_DOUBLE,
                                          LXW_BORDER_DASH_DOT,      LXW_BORDER_MEDIUM_DASH_DOT,
                                          LXW_BORDER_DASH_DOT_DOT,  LXW_BORDER_MEDIUM_DASH_DOT_DOT,
                                          LXW_BORDER_SLANT_DASH_DOT};
            for (std::size_t i = 0; i < std::size(lines); ++i) {
                lxw_format* f = workbook_add_format(book);
                format_set_bottom(f, lines[i]);
                format_set_right(f, lines[i]);
                worksheet_write_number(ws, static_cast<lxw_row_t>(1 + 2 * i), 1,
                                       static_cast<double>(i), f);
            }
            lxw_format* box = workbook_add_format(book);
            format_set_border(box, LXW_BORDER_THICK);
            format_set_diag_type(box, LXW_DIAGONAL_BORDER_UP_DOWN);
            format_set_diag_border(box, LXW_BORDER_THIN);
            worksheet_write_string(ws, 1, 4, "box", box);
            lxw_format* hair = workbook_add_format(book);
            format_set_border(hair, LXW_BORDER_HAIR);
            worksheet_write_blank(ws, 3, 4, hair);

            // Alignments, wrapping, shrinking and another font.
            const std::uint8_t horizontal[] = {
                LXW_ALIGN_LEFT,    LXW_ALIGN_CENTER,        LXW_ALIGN_RIGHT,      LXW_ALIGN_FILL,
                LXW_ALIGN_JUSTIFY, LXW_ALIGN_CENTER_ACROSS, LXW_ALIGN_DISTRIBUTED};
            for (std::size_t i = 0; i < std::size(horizontal); ++i) {
                lxw_format* f = workbook_add_format(book);
                format_set_align(f, horizontal[i]);
                worksheet_write_string(ws, static_cast<lxw_row_t>(1 + i), 6, "h", f);
            }
            const std::uint8_t vertical[] = {LXW_ALIGN_VERTICAL_TOP, LXW_ALIGN_VERTICAL_CENTER,
                                             LXW_ALIGN_VERTICAL_JUSTIFY,
                                             LXW_ALIGN_VERTICAL_DISTRIBUTED};
            for (std::size_t i = 0; i < std::size(vertical); ++i) {
                lxw_format* f = workbook_add_format(book);
                format_set_align(f, vertical[i]);
                if (i == 0) format_set_text_wrap(f);
                if (i == 1) format_set_shrink(f);
                worksheet_write_string(ws, static_cast<lxw_row_t>(1 + i), 7, "v", f);
            }
            lxw_format* arial = workbook_add_format(book);
            format_set_font_name(arial, "Arial");
            format_set_font_size(arial, 10.5);
            worksheet_write_string(ws, 5, 7, "Arial", arial);

            // Rich text of three sizes, of one size other than the cell's, and escaped text.
            lxw_format* big = workbook_add_format(book);
            format_set_font_size(big, 14);
            lxw_format* small = workbook_add_format(book);
            format_set_font_size(small, 9);
            char ab[] = "ab", cd[] = "cd", ef[] = "ef";
            lxw_rich_string_tuple plain = {.format = nullptr, .string = ab};
            lxw_rich_string_tuple large = {.format = big, .string = cd};
            lxw_rich_string_tuple little = {.format = small, .string = ef};
            lxw_rich_string_tuple* three[] = {&plain, &large, &little, nullptr};
            worksheet_write_rich_string(ws, 1, 8, three, nullptr);
            lxw_rich_string_tuple bigAb = {.format = big, .string = ab};
            lxw_rich_string_tuple bigCd = {.format = big, .string = cd};
            lxw_rich_string_tuple* oneSize[] = {&bigAb, &bigCd, nullptr};
            worksheet_write_rich_string(ws, 2, 8, oneSize, nullptr);
            worksheet_write_string(ws, 3, 8, "line 1\nline 2 & <tag> \"q\"\tend", nullptr);

            // Numbers, a Boolean and a date.
            worksheet_write_number(ws, 1, 9, 0.1 + 0.2, nullptr);
            worksheet_write_number(ws, 2, 9, 1e-5, nullptr);
            worksheet_write_number(ws, 3, 9, -42, nullptr);
            worksheet_write_number(ws, 4, 9, 1e20, nullptr);
            worksheet_write_boolean(ws, 5, 9, 1, nullptr);
            lxw_format* date = workbook_add_format(book);
            format_set_num_format(date, "yyyy/m/d h:mm");
            worksheet_write_number(ws, 6, 9, 45352.75, date);
            lxw_format* amount = workbook_add_format(book);
            format_set_num_format(amount, "#,##0.00\"円\"");
            worksheet_write_number(ws, 7, 9, 1234567.891, amount);

            // Merged areas: wide across the hidden column, tall and framed, a pair.
            worksheet_merge_range(ws, 29, 1, 30, 3, "wide", nullptr);
            lxw_format* framed = workbook_add_format(book);
            format_set_border(framed, LXW_BORDER_THIN);
            format_set_align(framed, LXW_ALIGN_CENTER);
            worksheet_merge_range(ws, 29, 5, 32, 5, "tall", framed);
            worksheet_merge_range(ws, 29, 7, 29, 8, "pair", nullptr);
        });
        wb_ = new std::shared_ptr<XlsxWorkbook>(XlsxWorkbook::open(*dir_ / "styled.xlsx"));
    }
    static void TearDownTestSuite() {
        delete wb_;
        delete dir_;
    }
    static testing::TempDir* dir_;
    static std::shared_ptr<XlsxWorkbook>* wb_;
};
testing::TempDir* StyledWorkbook::dir_ = nullptr;
std::shared_ptr<XlsxWorkbook>* StyledWorkbook::wb_ = nullptr;

TEST_F(StyledWorkbook, RangesReadBackAsTheMembersTell) {
    const ObjectPtr app = makeWorkbookApplication(*wb_);
    // Whole; cut through the line styles and the wide merge (from the left) and the tall one
    // (from below); cutting the tall merge to one row.
    for (const char16_t* ref : {u"A1:J33", u"C3:G31", u"E4:I30", u"J2"})
        expectRangeXmlTellsTheMembersFacts(*wb_, app, u"Styled", ref);
}

}  // namespace
}  // namespace tabrova::workbook
