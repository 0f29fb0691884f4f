#include <gtest/gtest.h>

#include <cmath>

#include "support/WorkbookObjects.h"
#include "workbook/TestWorkbooks.h"

namespace tabrova::workbook {
namespace {

using automation::Null;
using automation::ObjectPtr;
using automation::Variant;
using testing::buildXlsx;
using testing::TempDir;

// Evaluates a member path such as "MergeArea.Rows.Count" or "Borders(9).LineStyle" on an object.
Variant evaluate(ObjectPtr object, const std::u16string& path) {
    Variant value;
    std::size_t pos = 0;
    while (pos <= path.size()) {
        std::size_t end = pos;
        int depth = 0;
        while (end < path.size() && (path[end] != u'.' || depth > 0)) {
            if (path[end] == u'(') ++depth;
            if (path[end] == u')') --depth;
            ++end;
        }
        std::u16string part = path.substr(pos, end - pos);
        std::vector<Variant> args;
        if (const auto open = part.find(u'('); open != std::u16string::npos) {
            std::u16string list = part.substr(open + 1, part.size() - open - 2);
            part.resize(open);
            std::size_t s = 0;
            while (s < list.size()) {
                std::size_t comma = list.find(u',', s);
                if (comma == std::u16string::npos) comma = list.size();
                const std::u16string arg = list.substr(s, comma - s);
                if (!arg.empty() && arg[0] == u'"') {
                    args.emplace_back(arg.substr(1, arg.size() - 2));
                } else {
                    args.emplace_back(
                        static_cast<std::int32_t>(std::stoi(std::string(arg.begin(), arg.end()))));
                }
                s = comma + 1;
            }
        }
        value = object->get(part, std::span<const Variant>(args));
        if (end >= path.size()) break;
        object = value.toObject();
        pos = end + 1;
    }
    return value;
}

std::u16string ascii(const std::string& s) { return std::u16string(s.begin(), s.end()); }

std::string show(const Variant& v) {
    if (v.isEmpty()) return "Empty";
    if (v.isNull()) return "Null";
    if (const auto* b = v.get_if<bool>()) return *b ? "true" : "false";
    if (const auto* i = v.get_if<std::int32_t>()) return "int " + std::to_string(*i);
    if (const auto* d = v.get_if<double>()) return "double " + std::to_string(*d);
    if (const auto* s = v.get_if<std::u16string>()) {
        std::string out = "\"";
        for (char16_t c : *s) out += c < 128 ? static_cast<char>(c) : '?';
        return out + "\"";
    }
    if (const auto* e = v.get_if<automation::ErrorValue>())
        return "error " + std::to_string(e->code);
    if (const automation::VariantArray* a = v.array()) {
        std::string out = "[";
        for (std::size_t r = 1; r <= a->rows(); ++r) {
            out += "[";
            for (std::size_t c = 1; c <= a->columns(); ++c)
                out += (c > 1 ? ", " : "") + show(a->at(r, c));
            out += "]";
        }
        return out + "]";
    }
    return "other";
}

// An array of rows, as a range's Value2.
Variant rows(std::initializer_list<std::initializer_list<Variant>> values) {
    automation::VariantArray a(values.size(), values.begin()->size());
    std::size_t r = 0;
    for (const auto& row : values) {
        ++r;
        std::size_t c = 0;
        for (const Variant& v : row) a.at(r, ++c) = v;
    }
    return a;
}

struct Expect {
    const char16_t* cell;
    const char16_t* member;
    Variant value;
};

void checkAll(const ObjectPtr& app, const char16_t* sheet, const std::vector<Expect>& cases) {
    const ObjectPtr ws = app->get(u"Worksheets", {Variant(sheet)}).toObject();
    for (const Expect& e : cases) {
        const ObjectPtr range =
            ws->get(u"Range", {Variant(e.cell), automation::Missing{}}).toObject();
        const Variant got = evaluate(range, e.member);
        std::string where(e.cell, e.cell + std::char_traits<char16_t>::length(e.cell));
        where += " ";
        for (const char16_t* m = e.member; *m; ++m) where += static_cast<char>(*m);
        if (const auto* d = e.value.get_if<double>(); d && got.is<double>()) {
            EXPECT_NEAR(*got.get_if<double>(), *d, 1e-9) << where;
        } else {
            EXPECT_EQ(show(got), show(e.value)) << where;
        }
    }
}

class FeatureWorkbook : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new TempDir();
        buildXlsx(*dir_ / "features.xlsx", [](lxw_workbook* wb) {
            lxw_worksheet* sizes = workbook_add_worksheet(wb, "Sizes");
            lxw_worksheet* cells = workbook_add_worksheet(wb, "Cells");
            lxw_worksheet* panes = workbook_add_worksheet(wb, "Panes");

            lxw_row_col_options hidden = {.hidden = 1, .level = 0, .collapsed = 0};
            worksheet_set_column(sizes, 0, 0, 10, nullptr);
            worksheet_set_column(sizes, 1, 1, 20.5, nullptr);
            worksheet_set_column_opt(sizes, 2, 2, 8.43, nullptr, &hidden);
            worksheet_set_column(sizes, 4, 4, 0.5, nullptr);
            worksheet_set_row(sizes, 1, 13.5, nullptr);
            worksheet_set_row(sizes, 2, 12.5, nullptr);
            worksheet_set_row_opt(sizes, 3, 15, nullptr, &hidden);
            worksheet_write_string(sizes, 0, 0, "x", nullptr);

            // Fonts.
            lxw_format* big = workbook_add_format(wb);
            format_set_font_size(big, 14);
            worksheet_write_string(cells, 0, 0, "big", big);
            lxw_format* large = workbook_add_format(wb);
            format_set_font_size(large, 16);
            char ab[] = "ab", cd[] = "cd";
            lxw_rich_string_tuple plain = {.format = nullptr, .string = ab};
            lxw_rich_string_tuple sized = {.format = large, .string = cd};
            lxw_rich_string_tuple* rich[] = {&plain, &sized, nullptr};
            worksheet_write_rich_string(cells, 1, 0, rich, nullptr);
            lxw_rich_string_tuple same1 = {.format = large, .string = ab};
            lxw_rich_string_tuple same2 = {.format = large, .string = cd};
            lxw_rich_string_tuple* richSame[] = {&same1, &same2, nullptr};
            worksheet_write_rich_string(cells, 2, 0, richSame, nullptr);

            // Alignments in row 10.
            const std::uint8_t aligns[] = {
                LXW_ALIGN_LEFT,    LXW_ALIGN_CENTER,        LXW_ALIGN_RIGHT,      LXW_ALIGN_FILL,
                LXW_ALIGN_JUSTIFY, LXW_ALIGN_CENTER_ACROSS, LXW_ALIGN_DISTRIBUTED};
            for (int i = 0; i < 7; ++i) {
                lxw_format* f = workbook_add_format(wb);
                format_set_align(f, aligns[i]);
                worksheet_write_string(cells, 9, static_cast<lxw_col_t>(i), "t", f);
            }
            worksheet_write_number(cells, 9, 7, 5, nullptr);

            // Borders around row 12: one side each.
            lxw_format* bottom = workbook_add_format(wb);
            format_set_bottom(bottom, LXW_BORDER_THIN);
            worksheet_write_blank(cells, 11, 1, bottom);
            lxw_format* leftDash = workbook_add_format(wb);
            format_set_left(leftDash, LXW_BORDER_DASHED);
            worksheet_write_blank(cells, 11, 2, leftDash);
            lxw_format* topDouble = workbook_add_format(wb);
            format_set_top(topDouble, LXW_BORDER_DOUBLE);
            worksheet_write_blank(cells, 11, 3, topDouble);
            lxw_format* rightDot = workbook_add_format(wb);
            format_set_right(rightDot, LXW_BORDER_DOTTED);
            worksheet_write_blank(cells, 11, 4, rightDot);

            // A merged area B15:C16.
            lxw_format* centred = workbook_add_format(wb);
            format_set_align(centred, LXW_ALIGN_CENTER);
            worksheet_merge_range(cells, 14, 1, 15, 2, "merged", centred);

            // Numbers and their texts (column A at the default width, J wide).
            worksheet_set_column(cells, 9, 9, 20, nullptr);
            worksheet_write_number(cells, 19, 0, 1234567890123.0, nullptr);
            worksheet_write_number(cells, 19, 9, 1234567890123.0, nullptr);
            worksheet_write_number(cells, 20, 0, 0.1 + 0.2, nullptr);
            worksheet_write_number(cells, 21, 0, 3.14159265358979, nullptr);
            lxw_format* twoDecimals = workbook_add_format(wb);
            format_set_num_format(twoDecimals, "0.00");
            worksheet_write_number(cells, 22, 0, 123456, twoDecimals);
            worksheet_write_number(cells, 23, 0, 12, twoDecimals);
            worksheet_write_boolean(cells, 24, 0, 1, nullptr);
            lxw_format* date = workbook_add_format(wb);
            format_set_num_format_index(date, 14);
            worksheet_write_number(cells, 25, 0, 45352, date);  // 2024-03-01
            worksheet_write_number(cells, 26, 0, -42, nullptr);
            worksheet_write_string(cells, 27, 0, "a long text that overflows", nullptr);

            lxw_format* threeDecimals = workbook_add_format(wb);
            format_set_num_format(threeDecimals, "0.000");
            worksheet_merge_range(cells, 29, 0, 29, 1, "", threeDecimals);
            worksheet_write_number(cells, 29, 0, 123456.789, threeDecimals);
            worksheet_write_number(cells, 30, 0, 123456.789, threeDecimals);
            worksheet_write_number(sizes, 0, 2, 1234567890123.0, nullptr);

            worksheet_set_selection(cells, 1, 1, 3, 3);
            worksheet_activate(cells);

            worksheet_freeze_panes(panes, 1, 0);
            worksheet_set_selection(panes, 4, 2, 4, 2);
        });
        app_ = new ObjectPtr(makeWorkbookApplication(XlsxWorkbook::load(*dir_ / "features.xlsx")));
    }
    static void TearDownTestSuite() {
        delete app_;
        delete dir_;
    }
    static TempDir* dir_;
    static ObjectPtr* app_;
};
TempDir* FeatureWorkbook::dir_ = nullptr;
ObjectPtr* FeatureWorkbook::app_ = nullptr;

TEST_F(FeatureWorkbook, ApplicationAnswersActiveWorkbookSheetAndSavedSelection) {
    const ObjectPtr app = *app_;
    EXPECT_EQ(show(evaluate(app, u"ActiveWorkbook.Name")), "\"features.xlsx\"");
    EXPECT_EQ(show(evaluate(app, u"ActiveSheet.Name")), "\"Cells\"");
    EXPECT_EQ(show(evaluate(app, u"Selection.Row")), "int 2");
    EXPECT_EQ(show(evaluate(app, u"Selection.Column")), "int 2");
    EXPECT_EQ(show(evaluate(app, u"Selection.Rows.Count")), "int 3");
    EXPECT_EQ(show(evaluate(app, u"Selection.Columns.Count")), "int 3");
    EXPECT_EQ(show(evaluate(app, u"Selection.Count")), "int 9");
    EXPECT_EQ(show(evaluate(app, u"StandardFontSize")), "double 11.000000");
}

TEST_F(FeatureWorkbook, SelectionOfTheActivePaneAndSelectionChanges) {
    const ObjectPtr app = makeWorkbookApplication(XlsxWorkbook::load(*dir_ / "features.xlsx"));
    const ObjectPtr panes = app->get(u"Worksheets", {Variant(u"panes")}).toObject();
    panes->call(u"Activate");
    EXPECT_EQ(show(evaluate(app, u"Selection.Address")), "\"$C$5\"");
    // Sizes has no saved selection: A1.
    app->get(u"Worksheets", {Variant(u"Sizes")}).toObject()->call(u"Activate");
    EXPECT_EQ(show(evaluate(app, u"Selection.Address")), "\"$A$1\"");
    const ObjectPtr sheet = app->getObject(u"ActiveSheet");
    sheet->getObject(u"Range", {Variant(u"D3:b2"), automation::Missing{}})->call(u"Select");
    EXPECT_EQ(show(evaluate(app, u"Selection.Address")), "\"$B$2:$D$3\"");
    EXPECT_THROW(panes->getObject(u"Range", {Variant(u"A1")})->call(u"Select"),
                 automation::AutomationError);
}

TEST_F(FeatureWorkbook, WidthsHeightsAndPositions) {
    checkAll(*app_, u"Sizes",
             {
                 {u"A1", u"ColumnWidth", 10.0},
                 {u"B7", u"ColumnWidth", 20.57},
                 {u"C1", u"ColumnWidth", 0.0},   // hidden
                 {u"D1", u"ColumnWidth", 8.43},  // default
                 {u"E1", u"ColumnWidth", 0.5},
                 {u"A1", u"RowHeight", 15.0},
                 {u"A2", u"RowHeight", 13.5},
                 {u"A3", u"RowHeight", 12.5},
                 {u"A4", u"RowHeight", 0.0},         // hidden
                 {u"F6", u"MergeArea.Left", 220.5},  // and 64 + 6 pixels
                 {u"D6", u"MergeArea.Left", 168.0},  // 75 + 149 + 0 pixels
                 {u"D6", u"MergeArea.Top", 56.0},    // 15 + 13.5 + 12.5 + 0 + 15
                 {u"D6", u"MergeCells", false},
                 {u"D6", u"MergeArea.Rows.Count", static_cast<std::int32_t>(1)},
             });
}

TEST_F(FeatureWorkbook, FontsAlignmentsAndBorders) {
    const std::int32_t none = -4142;
    checkAll(*app_, u"Cells",
             {
                 {u"A1", u"Font.Size", 14.0},
                 {u"B1", u"Font.Size", 11.0},
                 {u"A2", u"Font.Size", Null{}},
                 {u"A2", u"Characters(1,1).Font.Size", 11.0},
                 {u"A2", u"Characters(3,2).Font.Size", 16.0},
                 {u"A2", u"Text", u"abcd"},
                 {u"A3", u"Font.Size", 16.0},
                 {u"A10", u"HorizontalAlignment", static_cast<std::int32_t>(-4131)},
                 {u"B10", u"HorizontalAlignment", static_cast<std::int32_t>(-4108)},
                 {u"C10", u"HorizontalAlignment", static_cast<std::int32_t>(-4152)},
                 {u"D10", u"HorizontalAlignment", static_cast<std::int32_t>(5)},
                 {u"E10", u"HorizontalAlignment", static_cast<std::int32_t>(-4130)},
                 {u"F10", u"HorizontalAlignment", static_cast<std::int32_t>(7)},
                 {u"G10", u"HorizontalAlignment", static_cast<std::int32_t>(-4117)},
                 {u"H10", u"HorizontalAlignment", static_cast<std::int32_t>(1)},
                 {u"Z99", u"HorizontalAlignment", static_cast<std::int32_t>(1)},
                 // B12 draws its bottom edge only; B13 shows it as its top edge.
                 {u"B12", u"Borders(9).LineStyle", static_cast<std::int32_t>(1)},
                 {u"B12", u"Borders(8).LineStyle", none},
                 {u"B12", u"Borders(7).LineStyle", none},
                 {u"B13", u"Borders(8).LineStyle", static_cast<std::int32_t>(1)},
                 {u"B13", u"Borders(9).LineStyle", none},
                 // C12's dashed left edge is B12's right edge.
                 {u"B12", u"Borders(10).LineStyle", static_cast<std::int32_t>(-4115)},
                 {u"C12", u"Borders(7).LineStyle", static_cast<std::int32_t>(-4115)},
                 {u"D12", u"Borders(8).LineStyle", static_cast<std::int32_t>(-4119)},
                 {u"D11", u"Borders(9).LineStyle", static_cast<std::int32_t>(-4119)},
                 {u"E12", u"Borders(10).LineStyle", static_cast<std::int32_t>(-4118)},
                 {u"F12", u"Borders(7).LineStyle", static_cast<std::int32_t>(-4118)},
                 {u"A1", u"Borders(8).LineStyle", none},
             });
}

TEST(StyleWorkbook, EveryBorderStyleItsLineStyleAndWeightAndTheTextPlacements) {
    const struct {
        std::uint8_t style;
        std::int32_t lineStyle, weight;
    } borders[] = {
        {LXW_BORDER_THIN, 1, 2},
        {LXW_BORDER_HAIR, 1, 1},
        {LXW_BORDER_MEDIUM, 1, -4138},
        {LXW_BORDER_THICK, 1, 4},
        {LXW_BORDER_DASHED, -4115, 2},
        {LXW_BORDER_MEDIUM_DASHED, -4115, -4138},
        {LXW_BORDER_DOTTED, -4118, 2},
        {LXW_BORDER_DOUBLE, -4119, 4},
        {LXW_BORDER_DASH_DOT, 4, 2},
        {LXW_BORDER_MEDIUM_DASH_DOT, 4, -4138},
        {LXW_BORDER_DASH_DOT_DOT, 5, 2},
        {LXW_BORDER_MEDIUM_DASH_DOT_DOT, 5, -4138},
        {LXW_BORDER_SLANT_DASH_DOT, 13, -4138},
    };
    const struct {
        std::uint8_t align;  // 0: none given
        std::int32_t vertical;
    } places[] = {{LXW_ALIGN_VERTICAL_TOP, -4160},         {LXW_ALIGN_VERTICAL_CENTER, -4108},
                  {LXW_ALIGN_VERTICAL_BOTTOM, -4107},      {LXW_ALIGN_VERTICAL_JUSTIFY, -4130},
                  {LXW_ALIGN_VERTICAL_DISTRIBUTED, -4117}, {0, -4107}};
    TempDir dir;
    buildXlsx(dir / "styles.xlsx", [&](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "Styles");
        for (std::size_t i = 0; i < std::size(borders); ++i) {
            lxw_format* f = workbook_add_format(wb);
            format_set_bottom(f, borders[i].style);
            worksheet_write_blank(ws, static_cast<lxw_row_t>(2 * i), 1, f);
        }
        for (std::size_t i = 0; i < std::size(places); ++i) {
            lxw_format* f = workbook_add_format(wb);
            if (places[i].align != 0) format_set_align(f, places[i].align);
            if (i == 0) format_set_text_wrap(f);
            if (i == 1) format_set_shrink(f);
            worksheet_write_string(ws, static_cast<lxw_row_t>(i), 2, "t", f);
        }
    });
    const ObjectPtr sheet = makeWorkbookApplication(XlsxWorkbook::load(dir / "styles.xlsx"))
                                ->get(u"Worksheets", {Variant(u"Styles")})
                                .toObject();
    auto at = [&](std::int32_t col, std::size_t row, const std::u16string& member) {
        const std::u16string address =
            std::u16string(1, static_cast<char16_t>(u'A' + col)) + ascii(std::to_string(row));
        return evaluate(sheet->get(u"Range", {Variant(address), automation::Missing{}}).toObject(),
                        member);
    };
    for (std::size_t i = 0; i < std::size(borders); ++i) {
        EXPECT_EQ(at(1, 2 * i + 1, u"Borders(9).LineStyle").toInt(), borders[i].lineStyle) << i;
        EXPECT_EQ(at(1, 2 * i + 1, u"Borders(9).Weight").toInt(), borders[i].weight) << i;
        // The cell below shows the edge as its top one, weight and all.
        EXPECT_EQ(at(1, 2 * i + 2, u"Borders(8).Weight").toInt(), borders[i].weight) << i;
    }
    for (std::size_t i = 0; i < std::size(places); ++i) {
        EXPECT_EQ(at(2, i + 1, u"VerticalAlignment").toInt(), places[i].vertical) << i;
        EXPECT_EQ(at(2, i + 1, u"WrapText").toBool(), i == 0) << i;
        EXPECT_EQ(at(2, i + 1, u"ShrinkToFit").toBool(), i == 1) << i;
    }
    EXPECT_EQ(at(0, 1, u"Borders(9).Weight").toInt(), 2);  // no line: xlThin
}

TEST_F(FeatureWorkbook, MergedAreas) {
    checkAll(*app_, u"Cells",
             {
                 {u"B15", u"MergeCells", true},
                 {u"C16", u"MergeCells", true},
                 {u"D16", u"MergeCells", false},
                 {u"C16", u"MergeArea.Rows.Count", static_cast<std::int32_t>(2)},
                 {u"C16", u"MergeArea.Columns.Count", static_cast<std::int32_t>(2)},
                 {u"C16", u"MergeArea.Left", 48.0},
                 {u"C16", u"MergeArea.Top", 210.0},
                 {u"B15", u"Text", u"merged"},
                 {u"C15", u"Text", u""},
                 {u"B15", u"HorizontalAlignment", static_cast<std::int32_t>(-4108)},
             });
}

TEST_F(FeatureWorkbook, TextsAndValues) {
    checkAll(*app_, u"Cells",
             {
                 {u"A20", u"Text", u"1.23E+12"},     // shortened to the default width
                 {u"J20", u"Text", u"1.23457E+12"},  // General at most 11 characters
                 {u"A20", u"Value2", 1234567890123.0},
                 {u"A21", u"Text", u"0.3"},
                 {u"A22", u"Text", u"3.141593"},
                 {u"A23", u"Text", u"########"},  // 123456.00 does not fit 8.43
                 {u"A24", u"Text", u"12.00"},
                 {u"A25", u"Text", u"TRUE"},
                 {u"A25", u"Value2", true},
                 {u"A26", u"Text", u"2024/3/1"},
                 {u"A27", u"Text", u"-42"},
                 {u"A27", u"Value2", -42.0},
                 {u"A28", u"Text", u"a long text that overflows"},
                 {u"A1", u"Value2", u"big"},
                 {u"Z99", u"Value2", automation::Empty{}},
                 {u"Z99", u"Text", u""},
                 {u"A30", u"Text", u"123456.789"},  // fits the merged area's width
                 {u"A31", u"Text", u"########"},    // not its own column's
             });
    // A hidden column shows nothing; its number reads in full.
    checkAll(*app_, u"Sizes", {{u"C1", u"Text", u"1.23457E+12"}});
}

TEST_F(FeatureWorkbook, RangesOfSeveralCells) {
    const automation::Empty empty;
    checkAll(*app_, u"Cells",
             {
                 {u"A1:B2", u"Value2", rows({{u"big", empty}, {u"abcd", empty}})},
                 {u"A1:B2", u"Value(10)", rows({{u"big", empty}, {u"abcd", empty}})},
                 {u"A24:A27", u"Value", rows({{12.0}, {true}, {45352.0}, {-42.0}})},
                 {u"B15:C16", u"MergeCells", true},
                 {u"A30:B30", u"MergeCells", true},
                 {u"B14:C16", u"MergeCells", Null{}},
                 {u"C16:D16", u"MergeCells", Null{}},
                 {u"D15:E16", u"MergeCells", false},
                 {u"B15:C16", u"Address", u"$B$15:$C$16"},
             });
    checkAll(*app_, u"Sizes",
             {
                 {u"A1:B1", u"ColumnWidth", Null{}},
                 {u"C1:D1", u"ColumnWidth", Null{}},  // hidden and default
                 {u"D1:D9", u"ColumnWidth", 8.43},
                 {u"F1:H1", u"ColumnWidth", 8.43},
                 {u"A3:A4", u"RowHeight", Null{}},  // one hidden
                 {u"A5:C7", u"RowHeight", 15.0},
             });
    const ObjectPtr cells = (*app_)->get(u"Worksheets", {Variant(u"Cells")}).toObject();
    const ObjectPtr block = cells->getObject(u"Range", {Variant(u"A1:B2"), automation::Missing{}});
    EXPECT_THROW(block->get(u"Value", {Variant(std::int32_t{12})}), automation::AutomationError);
    EXPECT_NE(block->get(u"Value", {Variant(std::int32_t{11})}).toText().find(u"<Workbook"),
              std::u16string::npos);
}

TEST_F(FeatureWorkbook, BadMembersAndArgumentsRaiseAutomationErrors) {
    const ObjectPtr app = *app_;
    const ObjectPtr sheet = app->getObject(u"ActiveSheet");
    EXPECT_THROW(app->get(u"NoSuchMember"), automation::AutomationError);
    EXPECT_THROW(sheet->get(u"Range", {Variant(u"XFE1")}), automation::AutomationError);
    EXPECT_THROW(sheet->get(u"Range", {Variant(u"A0")}), automation::AutomationError);
    EXPECT_THROW(sheet->get(u"Range", {Variant(u"A1:B")}), automation::AutomationError);
    const ObjectPtr cell = sheet->getObject(u"Range", {Variant(u"A1")});
    EXPECT_THROW(cell->get(u"Borders", {Variant(static_cast<std::int32_t>(3))}),
                 automation::AutomationError);
    EXPECT_THROW(cell->get(u"Borders"), automation::AutomationError);
    EXPECT_THROW(app->get(u"Worksheets", {Variant(u"Nope")}), automation::AutomationError);
    // Member names are not case-sensitive, as with the dispatch interface.
    EXPECT_EQ(show(evaluate(cell, u"font.size")), "double 14.000000");
}

TEST_F(FeatureWorkbook, OpenWorkbookAnswersTheProgIdUntilClosed) {
    const auto path = *dir_ / "features.xlsx";
    {
        OpenWorkbook open(path, u"Excel.Application");
        const auto running =
            automation::activeObject(automation::classIdFromProgId(u"Excel.Application.16"));
        ASSERT_NE(running, nullptr);
        EXPECT_EQ(show(evaluate(running, u"ActiveWorkbook.Name")), "\"features.xlsx\"");
        open.close();
        bool answered = false;
        try {
            answered =
                automation::activeObject(automation::classIdFromProgId(u"Excel.Application")) ==
                open.application();
        } catch (const automation::AutomationError&) {
        }
        EXPECT_FALSE(answered);
    }
    EXPECT_THROW(OpenWorkbook(*dir_ / "missing.xlsx", u"Excel.Application"), WorkbookError);

    // A second workbook takes the ProgID over; closing the first leaves the second answering.
    OpenWorkbook first(path, u"Excel.Application");
    OpenWorkbook second(path, u"Excel.Application");
    first.close();
    EXPECT_EQ(automation::activeObject(automation::classIdFromProgId(u"Excel.Application")),
              second.application());
}

}  // namespace
}  // namespace tabrova::workbook
