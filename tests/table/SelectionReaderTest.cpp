#include <gtest/gtest.h>

#include "table/FakeSpreadsheet.h"
#include "table/SelectionReader.h"

namespace tabrova {
namespace {

using automation::ErrorValue;
using automation::Null;
using automation::Variant;
using fake::Rect;

std::string utf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
    return out;
}

class SelectionReaderTest : public ::testing::Test {
protected:
    SelectionReaderTest() : sheet(std::make_shared<fake::Sheet>()), registration(sheet) {
        settings.colXsc = 20;
        settings.rowYsc = 3;
        settings.cadXsc = 2;
        settings.cadYsc = 1;
        settings.cadTsc = 0.5;
    }

    SelectionReadResult read() { return readSelection(settings, table, grid); }

    // A table and grid as an earlier read of a 3 × 3 selection left them.
    void fillPrevious() {
        table.colCount = 3;
        table.rowCount = 3;
        table.cells.assign(9, TXlsxCellAttr{});
        for (auto& c : table.cells) {
            c.str = u"old";
            c.colW = 99;
            c.mark = true;
        }
        grid.setGridSize(4, 4);
        for (std::int32_t r = 0; r < 4; ++r) {
            for (std::int32_t c = 0; c < 4; ++c) grid.setCellText(c, r, u"old");
        }
        grid.caption = u"old caption";
    }

    void expectPreviousUnchanged() {
        EXPECT_EQ(table.cells.size(), 9u);
        EXPECT_EQ(table.colCount, 3);
        EXPECT_EQ(table.cells[8].str, u"old");
        EXPECT_EQ(grid.colCount, 4);
        EXPECT_EQ(grid.text(3, 3), u"old");
    }

    std::shared_ptr<fake::Sheet> sheet;
    fake::Registration registration;
    SelectionReadSettings settings;
    CellTable table;
    GridContents grid;
};

TEST_F(SelectionReaderTest, SingleCell) {
    sheet->selection = Rect{3, 5, 3, 5};
    sheet->cell(3, 5).text = u"値";
    const auto result = read();
    EXPECT_EQ(result.status, SelectionReadStatus::complete);
    EXPECT_TRUE(result.message.empty());
    EXPECT_TRUE(result.enableInsert);
    EXPECT_TRUE(result.tableReplaced);
    EXPECT_EQ(grid.caption, u"Book1.xlsx [Sheet1]");
    EXPECT_EQ(grid.firstAddress, u"C5");
    EXPECT_EQ(grid.lastAddress, u"C5");
    EXPECT_EQ(grid.colCount, 2);
    EXPECT_EQ(grid.rowCount, 2);
    EXPECT_EQ(grid.text(1, 0), u"C");
    EXPECT_EQ(grid.text(0, 1), u"5");
    EXPECT_EQ(grid.text(1, 1), u"値");
    EXPECT_EQ(grid.colWidths[0], 70);
    EXPECT_EQ(grid.rowCounter, u"1 / 1");
    EXPECT_EQ(grid.progressMax, 1);
    EXPECT_EQ(grid.progress, 0);
    EXPECT_EQ(grid.updateDepth, 0);
    EXPECT_EQ(grid.repaints, 1);
    EXPECT_EQ(grid.currentCol, 1);
    EXPECT_EQ(grid.currentRow, 1);
    ASSERT_EQ(table.cells.size(), 1u);
    EXPECT_EQ(table.colCount, 1);
    EXPECT_EQ(table.rowCount, 1);
    const TXlsxCellAttr& c = table.cells[0];
    EXPECT_EQ(c.str, u"値");
    EXPECT_EQ(c.txtSize, 11);
    EXPECT_FALSE(c.cellMerge);
    EXPECT_EQ(c.mergerowYscount, 1);
    EXPECT_EQ(c.mergecolXscount, 1);
    EXPECT_DOUBLE_EQ(c.drawW, 16);  // the geometry pass ran
}

TEST_F(SelectionReaderTest, RangeIsStoredRowByRow) {
    sheet->selection = Rect{2, 2, 4, 4};
    for (std::int64_t r = 2; r <= 4; ++r) {
        for (std::int64_t c = 2; c <= 4; ++c) sheet->cell(c, r).text = fake::addressOf(c, r);
    }
    ASSERT_EQ(read().status, SelectionReadStatus::complete);
    EXPECT_EQ(grid.firstAddress, u"B2");
    EXPECT_EQ(grid.lastAddress, u"D4");
    EXPECT_EQ(grid.colCount, 4);
    EXPECT_EQ(grid.rowCount, 4);
    const std::u16string headers[] = {u"B", u"C", u"D"};
    const std::u16string rows[] = {u"2", u"3", u"4"};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(grid.text(i + 1, 0), headers[i]);
        EXPECT_EQ(grid.text(0, i + 1), rows[i]);
    }
    ASSERT_EQ(table.cells.size(), 9u);
    EXPECT_EQ(table.cells[4].str, u"C3");
    EXPECT_EQ(table.cells[5].str, u"D3");
    EXPECT_EQ(grid.text(2, 3), u"C4");
}

TEST_F(SelectionReaderTest, ColumnLettersOfFarColumns) {
    const std::pair<std::int64_t, std::u16string> cases[] = {
        {27, u"AA"}, {702, u"ZZ"}, {703, u"AAA"}, {16384, u"XFD"}};
    for (const auto& [col, letters] : cases) {
        sheet->selection = Rect{col, 7, col, 7};
        sheet->cell(col, 7).text = letters;
        ASSERT_EQ(read().status, SelectionReadStatus::complete) << col;
        EXPECT_EQ(grid.firstAddress, letters + u"7");
        EXPECT_EQ(grid.text(1, 0), letters);
        EXPECT_EQ(table.cells[0].str, letters);  // the fake served the cell at that address
    }
}

TEST_F(SelectionReaderTest, SizesRoundTiesToEvenAndKeepLow16Bits) {
    const struct {
        double width, height;
        std::uint16_t colW, rowH;
        std::int32_t colPx, rowPx;
    } cases[] = {
        {8.43, 13.5, 8, 14, 160, 42},   {12.5, 12.5, 12, 12, 240, 36},      {0.5, 1.5, 0, 2, 0, 6},
        {65536.4, 65537.5, 0, 2, 0, 6}, {255, 409.5, 255, 410, 5100, 1230},
    };
    sheet->selection = Rect{1, 1, 1, 1};
    for (const auto& c : cases) {
        sheet->columnWidths[1] = c.width;
        sheet->rowHeights[1] = c.height;
        ASSERT_EQ(read().status, SelectionReadStatus::complete);
        EXPECT_EQ(table.cells[0].colW, c.colW) << c.width;
        EXPECT_EQ(table.cells[0].rowH, c.rowH) << c.height;
        EXPECT_EQ(grid.colWidths[1], c.colPx) << c.width;
        EXPECT_EQ(grid.rowHeights[1], c.rowPx) << c.height;
    }
}

TEST_F(SelectionReaderTest, GridSizesComeFromTheFirstRowAndColumn) {
    sheet->selection = Rect{1, 1, 2, 2};
    sheet->columnWidths[2] = 10;
    sheet->rowHeights[2] = 20;
    settings.rowYsc = 1.5;
    ASSERT_EQ(read().status, SelectionReadStatus::complete);
    EXPECT_EQ(grid.colWidths, (std::vector<std::int32_t>{70, 160, 200}));
    EXPECT_EQ(grid.rowHeights[1], 21);  // 14 × 1.5
    EXPECT_EQ(grid.rowHeights[2], 30);
    EXPECT_EQ(table.at(1, 1).colW, 10);
    EXPECT_EQ(table.at(1, 1).rowH, 20);
}

TEST_F(SelectionReaderTest, AlignmentFromSettingAndNumericValue) {
    const struct {
        std::int32_t alignment;
        Variant value2;
        char16_t separator;
        std::uint8_t txtAlign;
    } cases[] = {
        {fake::xlGeneral, 123.0, u'.', alignRight},
        {fake::xlGeneral, u"12a", u'.', alignNone},
        {fake::xlGeneral, u"1-2", u'.', alignRight},
        {fake::xlLeft, 123.0, u'.', alignLeft},
        {fake::xlCenter, u"x", u'.', alignCenter},
        {fake::xlRight, u"x", u'.', alignRight},
        {fake::xlFill, 7.0, u'.', alignRight},
        {fake::xlGeneral, 0.5, u',', alignRight},
        {fake::xlGeneral, -1.25, u'.', alignRight},
        {fake::xlGeneral, 1e20, u'.', alignNone},  // exponent form
        {fake::xlGeneral, 1e-7, u'.', alignNone},
        {fake::xlGeneral, true, u'.', alignNone},  // "True"
        {fake::xlGeneral, automation::Empty{}, u'.', alignNone},
        {fake::xlGeneral, u"", u'.', alignNone},
        {fake::xlGeneral, ErrorValue{static_cast<std::int32_t>(0x800A07FA)}, u'.', alignNone},
        {fake::xlCenter, ErrorValue{static_cast<std::int32_t>(0x800A07D7)}, u'.', alignCenter},
    };
    sheet->selection = Rect{1, 1, 1, 1};
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        fake::Cell& cell = sheet->cell(1, 1);
        cell.alignment = cases[i].alignment;
        cell.value2 = cases[i].value2;
        settings.decimalSeparator = cases[i].separator;
        const auto result = read();
        ASSERT_EQ(result.status, SelectionReadStatus::complete)
            << "case " << i << utf8(result.message);
        EXPECT_EQ(table.cells[0].txtAlign, cases[i].txtAlign) << "case " << i;
    }
}

TEST_F(SelectionReaderTest, NumberTooWideShowsTheSheetsText) {
    sheet->selection = Rect{1, 1, 1, 1};
    sheet->cell(1, 1).text = u"####";
    sheet->cell(1, 1).value2 = 123456789.0;
    ASSERT_EQ(read().status, SelectionReadStatus::complete);
    EXPECT_EQ(grid.text(1, 1), u"####");
    EXPECT_EQ(table.cells[0].str, u"####");
    EXPECT_EQ(table.cells[0].txtAlign, alignRight);
}

TEST_F(SelectionReaderTest, BordersGiveEdgeBits) {
    const std::int32_t none = fake::xlLineStyleNone;
    const std::int32_t line = fake::xlContinuous;
    const struct {
        std::int32_t left, top, bottom, right;  // Borders(7), (8), (9), (10)
        std::uint8_t bits;
    } cases[] = {
        {line, line, none, none, 5},  {none, none, none, none, 0},
        {line, line, line, line, 15}, {none, none, fake::xlDouble, none, 2},
        {none, none, none, line, 8},
    };
    sheet->selection = Rect{1, 1, 1, 1};
    for (const auto& c : cases) {
        fake::Cell& cell = sheet->cell(1, 1);
        cell.borders[0] = c.left;
        cell.borders[1] = c.top;
        cell.borders[2] = c.bottom;
        cell.borders[3] = c.right;
        ASSERT_EQ(read().status, SelectionReadStatus::complete);
        EXPECT_EQ(table.cells[0].lineBits, c.bits);
    }
}

TEST_F(SelectionReaderTest, MergedAreaFields) {
    sheet->selection = Rect{2, 2, 4, 3};
    sheet->merge(Rect{2, 2, 3, 3});
    sheet->cell(2, 2).text = u"結合";
    ASSERT_EQ(read().status, SelectionReadStatus::complete);
    for (std::int32_t r = 0; r < 2; ++r) {
        for (std::int32_t c = 0; c < 2; ++c) {
            const TXlsxCellAttr& cell = table.at(c, r);
            EXPECT_TRUE(cell.cellMerge);
            EXPECT_EQ(cell.mergerowYscount, 2);
            EXPECT_EQ(cell.mergecolXscount, 2);
            EXPECT_EQ(cell.mergeLeft, 51);  // 8.43 × 6 = 50.58
            EXPECT_EQ(cell.mergeTop, 14);   // 13.5
            EXPECT_EQ(cell.str, r == 0 && c == 0 ? u"結合" : u"");
        }
    }
    const TXlsxCellAttr& outside = table.at(2, 0);
    EXPECT_FALSE(outside.cellMerge);
    EXPECT_EQ(outside.mergerowYscount, 1);
    EXPECT_EQ(outside.mergecolXscount, 1);
    EXPECT_EQ(outside.mergeLeft, 152);  // 3 × 50.58
}

TEST_F(SelectionReaderTest, TwentyEightMemberReadsPerCellInOrder) {
    sheet->logCalls = true;
    sheet->selection = Rect{2, 1, 2, 1};
    ASSERT_EQ(read().status, SelectionReadStatus::complete);
    const std::vector<std::u16string> before = {
        u"ActiveSheet", u"ActiveWorkbook", u"Name",  u"Name",    u"Selection", u"Row",
        u"Column",      u"Rows",           u"Count", u"Columns", u"Count"};
    const std::vector<std::u16string> cell = {
        u"Range",     u"ColumnWidth", u"RowHeight", u"HorizontalAlignment",
        u"Font",      u"Size",        u"Text",      u"Text",
        u"Value2",    u"Borders",     u"LineStyle", u"Borders",
        u"LineStyle", u"Borders",     u"LineStyle", u"Borders",
        u"LineStyle", u"MergeCells",  u"MergeArea", u"Rows",
        u"Count",     u"MergeArea",   u"Columns",   u"Count",
        u"MergeArea", u"Left",        u"MergeArea", u"Top"};
    ASSERT_EQ(cell.size(), 28u);
    std::vector<std::u16string> expected = before;
    expected.insert(expected.end(), cell.begin(), cell.end());
    EXPECT_EQ(sheet->log, expected);
}

TEST_F(SelectionReaderTest, DrawingOptionsAddTheirMembersOnlyWhenAsked) {
    sheet->selection = Rect{1, 1, 1, 1};
    fake::Cell& cell = sheet->cell(1, 1);
    cell.borders[1] = fake::xlContinuous;  // the top edge only
    cell.weights[1] = 4;                   // xlThick
    cell.verticalAlignment = -4160;        // xlTop
    cell.wrapText = cell.shrinkToFit = true;
    sheet->logCalls = true;
    ASSERT_EQ(read().status, SelectionReadStatus::complete);
    const std::size_t plain = sheet->log.size();
    EXPECT_EQ(table.cells[0].edgeStyles[edgeIndexTop], EdgeStyle{});
    EXPECT_EQ(table.cells[0].txtPlace, placeMiddle);
    EXPECT_FALSE(table.cells[0].wrapText || table.cells[0].shrinkToFit);
    EXPECT_EQ(table.unreadFacts, (OptionFacts{true, true, true, true}));

    settings.cellByCellOptions = {true, true, true, true};
    sheet->log.clear();
    ASSERT_EQ(read().status, SelectionReadStatus::complete);
    // One Weight for the one edge with a line, after its LineStyle; the three at the end.
    ASSERT_EQ(sheet->log.size(), plain + 4);
    const std::size_t topLineStyle = plain - 28 + 10;  // Range ... Value2, Borders, LineStyle
    EXPECT_EQ(sheet->log[topLineStyle + 1], u"Weight");
    EXPECT_EQ(std::vector<std::u16string>(sheet->log.end() - 3, sheet->log.end()),
              (std::vector<std::u16string>{u"VerticalAlignment", u"WrapText", u"ShrinkToFit"}));
    EXPECT_EQ(table.cells[0].edgeStyles[edgeIndexTop], (EdgeStyle{borderContinuous, weightThick}));
    EXPECT_EQ(table.cells[0].txtPlace, placeTop);
    EXPECT_TRUE(table.cells[0].wrapText && table.cells[0].shrinkToFit);
    EXPECT_EQ(table.unreadFacts, OptionFacts{});
}

TEST_F(SelectionReaderTest, LineStylesWeightsAndVerticalAlignmentsAsTheDrawingTellsThem) {
    const struct {
        std::int32_t lineStyle, weight;
        EdgeStyle style;
    } borders[] = {
        {1, 1, {borderContinuous, weightHair}},       {1, 2, {borderContinuous, weightThin}},
        {1, -4138, {borderContinuous, weightMedium}}, {1, 4, {borderContinuous, weightThick}},
        {-4115, -4138, {borderDash, weightMedium}},   {-4118, 2, {borderDot, weightThin}},
        {4, 2, {borderDashDot, weightThin}},          {13, -4138, {borderDashDot, weightMedium}},
        {5, 2, {borderDashDotDot, weightThin}},       {-4119, 4, {borderDouble, weightThin}},
    };
    const struct {
        std::int32_t alignment;
        std::uint8_t place;
    } places[] = {{-4160, placeTop},
                  {-4107, placeBottom},
                  {-4108, placeMiddle},
                  {-4130, placeMiddle},
                  {-4117, placeMiddle}};
    settings.cellByCellOptions.borderStyles = settings.cellByCellOptions.verticalAlign = true;
    sheet->selection = Rect{1, 1, 1, 1};
    fake::Cell& cell = sheet->cell(1, 1);
    for (const auto& b : borders) {
        cell.borders[3] = b.lineStyle;
        cell.weights[3] = b.weight;
        ASSERT_EQ(read().status, SelectionReadStatus::complete);
        EXPECT_EQ(table.cells[0].edgeStyles[edgeIndexRight], b.style)
            << b.lineStyle << " " << b.weight;
    }
    for (const auto& p : places) {
        cell.verticalAlignment = p.alignment;
        ASSERT_EQ(read().status, SelectionReadStatus::complete);
        EXPECT_EQ(table.cells[0].txtPlace, p.place) << p.alignment;
    }
}

TEST_F(SelectionReaderTest, NullFontSizeFallsBackToFirstCharacterThenStandardSize) {
    const struct {
        Variant fontSize, firstChar, standard;
        std::uint16_t txtSize;
    } cases[] = {
        {10.5, 20.0, 30.0, 10},
        {Null{}, 14.5, 30.0, 14},
        {Null{}, Null{}, 11.0, 11},
    };
    sheet->selection = Rect{1, 1, 1, 1};
    for (const auto& c : cases) {
        sheet->cell(1, 1).fontSize = c.fontSize;
        sheet->cell(1, 1).firstCharSize = c.firstChar;
        sheet->standardFontSize = c.standard;
        ASSERT_EQ(read().status, SelectionReadStatus::complete);
        EXPECT_EQ(table.cells[0].txtSize, c.txtSize);
    }
    sheet->standardFontSize = Null{};
    const auto result = read();
    EXPECT_EQ(result.status, SelectionReadStatus::stopped);
    EXPECT_EQ(result.stopMember, u"StandardFontSize");
}

TEST_F(SelectionReaderTest, NotRunningOrNotRegistered) {
    fillPrevious();
    settings.progId = u"Other.Application";
    for (bool refused : {false, true}) {
        automation::setProgIdRefused(settings.progId, refused);
        const auto result = read();
        EXPECT_EQ(result.status, SelectionReadStatus::attachFailed);
        EXPECT_EQ(result.message, u"ProgId : Other.Application は無効です.");
        EXPECT_FALSE(result.enableInsert);
        EXPECT_FALSE(result.tableReplaced);
        expectPreviousUnchanged();
        EXPECT_EQ(grid.caption, u"old caption");
    }
    automation::setProgIdRefused(settings.progId, false);
    EXPECT_EQ(kMessageCaption, u"メッセージ");
}

TEST_F(SelectionReaderTest, ProgIdMatchesWithoutCaseAndVersion) {
    settings.progId = u"excel.application.16";
    EXPECT_EQ(read().status, SelectionReadStatus::complete);
}

TEST_F(SelectionReaderTest, NoWorkbookOpenIsSaidAsSuch) {
    fillPrevious();
    sheet->workbookOpen = false;
    const auto result = read();
    EXPECT_EQ(result.status, SelectionReadStatus::noWorkbook);
    EXPECT_NE(result.message.find(u"ブック"), std::u16string::npos);
    EXPECT_TRUE(result.enableInsert);
    EXPECT_FALSE(result.tableReplaced);
    expectPreviousUnchanged();
    EXPECT_EQ(grid.caption, u"old caption");
}

TEST_F(SelectionReaderTest, FailureMidwayKeepsWhatWasReadAndEmptiesTheRest) {
    fillPrevious();
    sheet->selection = Rect{2, 2, 3, 3};  // B2:C3 into a grid that held a 3 × 3 table
    for (std::int64_t r = 2; r <= 3; ++r) {
        for (std::int64_t c = 2; c <= 3; ++c) sheet->cell(c, r).text = fake::addressOf(c, r);
    }
    sheet->faults.push_back({u"LineStyle", u"C2", u"サーバーが応答しません."});
    const auto result = read();
    EXPECT_EQ(result.status, SelectionReadStatus::stopped);
    EXPECT_EQ(result.stopCell, u"C2");
    EXPECT_EQ(result.stopMember, u"Borders(8).LineStyle");
    EXPECT_EQ(result.errorText, u"サーバーが応答しません.");
    EXPECT_NE(result.message.find(u"C2"), std::u16string::npos);
    EXPECT_NE(result.message.find(u"サーバーが応答しません."), std::u16string::npos);
    EXPECT_TRUE(result.enableInsert);
    EXPECT_TRUE(result.tableReplaced);
    EXPECT_EQ(result.cellsRead, 1);

    ASSERT_EQ(table.cells.size(), 4u);
    EXPECT_EQ(table.colCount, 2);
    EXPECT_EQ(table.at(0, 0).str, u"B2");
    EXPECT_DOUBLE_EQ(table.at(0, 0).drawW, 16);  // geometry ran on what was read
    for (auto [c, r] : {std::pair{1, 0}, {0, 1}, {1, 1}}) {
        EXPECT_EQ(table.at(c, r).str, u"");
        EXPECT_EQ(table.at(c, r).colW, 0);
        EXPECT_FALSE(table.at(c, r).mark);
    }
    EXPECT_EQ(grid.colCount, 3);
    EXPECT_EQ(grid.text(1, 1), u"B2");
    EXPECT_EQ(grid.text(2, 1), u"");  // its text arrived before the failure
    EXPECT_EQ(grid.text(1, 2), u"");
    EXPECT_EQ(grid.text(2, 2), u"");
    EXPECT_EQ(grid.text(2, 0), u"C");
    EXPECT_EQ(grid.text(0, 2), u"3");
    EXPECT_EQ(grid.updateDepth, 0);
    EXPECT_EQ(grid.progress, 0);
}

TEST_F(SelectionReaderTest, FailureBeforeTheCellsLeavesTheTable) {
    fillPrevious();
    sheet->faults.push_back({u"Row", u""});
    const auto result = read();
    EXPECT_EQ(result.status, SelectionReadStatus::stopped);
    EXPECT_TRUE(result.stopCell.empty());
    EXPECT_EQ(result.stopMember, u"Selection.Row");
    EXPECT_FALSE(result.tableReplaced);
    EXPECT_TRUE(result.enableInsert);
    expectPreviousUnchanged();
    EXPECT_EQ(grid.caption, u"Book1.xlsx [Sheet1]");
}

TEST_F(SelectionReaderTest, SelectionsTooLargeAreRefusedBeforeResizing) {
    fillPrevious();
    const Rect cases[] = {
        {1, 1, 1, 1048576},      // a whole column
        {1, 1, 16384, 1048576},  // the whole sheet: 2^34 cells
        {1, 1, 1001, 1000},
    };
    for (const Rect& rect : cases) {
        sheet->selection = rect;
        const auto result = read();
        EXPECT_EQ(result.status, SelectionReadStatus::tooLarge);
        EXPECT_NE(result.message.find(u"1000000"), std::u16string::npos);
        EXPECT_FALSE(result.tableReplaced);
        expectPreviousUnchanged();
    }
    settings.maxCells = 6;
    sheet->selection = Rect{1, 1, 7, 1};
    EXPECT_EQ(read().status, SelectionReadStatus::tooLarge);
    sheet->selection = Rect{1, 1, 2, 3};
    EXPECT_EQ(read().status, SelectionReadStatus::complete);
    EXPECT_EQ(table.cells.size(), 6u);
}

class ClosingGrid : public GridContents {
public:
    std::int32_t pumpsLeft = 1;
    bool pumpMessages() override { return pumpsLeft-- > 0; }
};

TEST_F(SelectionReaderTest, ViewCanEndTheReadAtARow) {
    ClosingGrid closing;
    sheet->selection = Rect{1, 1, 2, 3};
    sheet->cell(1, 1).text = u"A1";
    const auto result = readSelection(settings, table, closing);
    EXPECT_EQ(result.status, SelectionReadStatus::cancelled);
    EXPECT_EQ(result.cellsRead, 2);
    EXPECT_EQ(table.cells.size(), 6u);
    EXPECT_EQ(table.at(0, 0).str, u"A1");
    EXPECT_EQ(closing.text(0, 3), u"3");
    EXPECT_EQ(closing.updateDepth, 0);
}

// A window closed during the read empties the table from inside the message loop.
class EmptyingGrid : public GridContents {
public:
    explicit EmptyingGrid(CellTable& table) : table_(table) {}
    bool pumpMessages() override {
        if (++pumps == 2) table_.clear();
        return true;
    }
    int pumps = 0;

private:
    CellTable& table_;
};

TEST_F(SelectionReaderTest, TableEmptiedDuringTheReadEndsIt) {
    EmptyingGrid emptying(table);
    sheet->selection = Rect{1, 1, 2, 3};
    const auto result = readSelection(settings, table, emptying);
    EXPECT_EQ(result.status, SelectionReadStatus::cancelled);
    EXPECT_EQ(result.cellsRead, 2);
    EXPECT_TRUE(table.empty());
}

}  // namespace
}  // namespace tabrova
