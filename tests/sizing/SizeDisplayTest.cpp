#include <gtest/gtest.h>

#include "sizing/SizeDisplay.h"
#include "table/CellGeometry.h"

namespace tabrova {
namespace {

// A table of plain cells with the given drawing widths (one per column) and heights (one per row).
CellTable plainTable(const std::vector<double>& widths, const std::vector<double>& heights,
                     double textHeight = 2.5) {
    CellTable table;
    table.colCount = static_cast<std::int32_t>(widths.size());
    table.rowCount = static_cast<std::int32_t>(heights.size());
    table.cells.resize(widths.size() * heights.size());
    for (std::int32_t r = 0; r < table.rowCount; ++r) {
        for (std::int32_t c = 0; c < table.colCount; ++c) {
            TXlsxCellAttr& cell = table.at(c, r);
            cell.drawW = widths[static_cast<std::size_t>(c)];
            cell.drawH = heights[static_cast<std::size_t>(r)];
            cell.drawTH = textHeight;
            cell.mergecolXscount = cell.mergerowYscount = 1;
        }
    }
    return table;
}

TEST(FormatSize, ThreeDecimalsWithTheGivenSeparator) {
    const struct {
        double value;
        char16_t separator;
        std::u16string text;
    } cases[] = {
        {0, u'.', u"0.000"},      {24, u'.', u"24.000"},   {6.02, u'.', u"6.020"},
        {2.9706, u'.', u"2.971"}, {-1.5, u'.', u"-1.500"}, {1234567.125, u',', u"1234567,125"},
    };
    for (const auto& c : cases) EXPECT_EQ(formatSize(c.value, c.separator), c.text) << c.value;
}

TEST(SizeSummary, ModeMinMaxAndTotals) {
    const struct {
        std::vector<double> widths;
        std::u16string columnRow;
        std::u16string totalWidth;
    } cases[] = {
        // Equal counts: the smaller value wins.
        {{10, 12, 10, 12}, u"10.000 (10.000～12.000)", u"44.000"},
        {{24}, u"24.000 (24.000～24.000)", u"24.000"},
        // The most frequent value wins over the smaller one.
        {{5, 12, 12, 3}, u"12.000 (3.000～12.000)", u"32.000"},
        // Text order of the padded keys: 9.5 sorts before 10 although "9" > "1".
        {{10, 9.5}, u"9.500 (9.500～10.000)", u"19.500"},
        // Values equal at three decimals count as one.
        {{1.0001, 1.0002, 2}, u"1.000 (1.000～2.000)", u"4.000"},
    };
    for (const auto& c : cases) {
        const CellTable table = plainTable(c.widths, {6, 7});
        const auto texts = sizeSummaryTexts(table);
        ASSERT_TRUE(texts.has_value());
        EXPECT_EQ((*texts)[2], c.columnRow);
        EXPECT_EQ((*texts)[0], c.totalWidth);
        EXPECT_EQ((*texts)[1], u"13.000");
        EXPECT_EQ((*texts)[3], u"6.000 (6.000～7.000)");
        EXPECT_EQ((*texts)[4], u"2.500 (2.500～2.500)");
    }
}

TEST(SizeSummary, TextHeightsCountEveryCellAndEmptyTableShowsNothing) {
    CellTable table = plainTable({3, 3}, {4, 4});
    table.at(1, 1).drawTH = 1;
    table.at(0, 1).drawTH = 1;
    table.at(1, 0).drawTH = 1;
    EXPECT_EQ((*sizeSummaryTexts(table))[4], u"1.000 (1.000～2.500)");
    EXPECT_FALSE(sizeSummaryTexts(CellTable{}).has_value());
    EXPECT_EQ(totalsLabelText(CellTable{}), u"");
    EXPECT_EQ(totalsLabelText(table), u"全体: W=6.000 x H=8.000");
}

TEST(CellSizeEdit, WidthHeightAndTextHeightCoverTheirCells) {
    const GridSelection rows2to3{1, 2, 1, 3};  // grid rows 2..3 = table rows 1..2
    {
        CellTable table = plainTable({3, 3}, {4, 4, 4, 4});
        ASSERT_TRUE(applyCellSize(table, CellSizeField::height, 2.5, rows2to3));
        for (std::int32_t c = 0; c < 2; ++c) {
            EXPECT_EQ(table.at(c, 0).drawH, 4);
            EXPECT_EQ(table.at(c, 1).drawH, 2.5);
            EXPECT_EQ(table.at(c, 2).drawH, 2.5);
            EXPECT_EQ(table.at(c, 3).drawH, 4);
        }
        EXPECT_EQ(totalsLabelText(table), u"全体: W=6.000 x H=13.000");
    }
    {
        CellTable table = plainTable({3, 3, 3}, {4, 4});
        ASSERT_TRUE(applyCellSize(table, CellSizeField::width, 7, GridSelection{2, 1, 3, 1}));
        for (std::int32_t r = 0; r < 2; ++r) {
            EXPECT_EQ(table.at(0, r).drawW, 3);
            EXPECT_EQ(table.at(1, r).drawW, 7);
            EXPECT_EQ(table.at(2, r).drawW, 7);
        }
    }
    {
        CellTable table = plainTable({3, 3}, {4, 4});
        ASSERT_TRUE(applyCellSize(table, CellSizeField::textHeight, 9, GridSelection{2, 2, 2, 2}));
        EXPECT_EQ(table.at(1, 1).drawTH, 9);
        EXPECT_EQ(table.at(0, 1).drawTH, 2.5);
        EXPECT_EQ(table.at(1, 0).drawTH, 2.5);
        EXPECT_EQ(cellSizeValue(table, CellSizeField::textHeight, 1, 1), 9);
        EXPECT_EQ(cellSizeValue(table, CellSizeField::textHeight, 5, 1), 0);
    }
    CellTable empty;
    EXPECT_FALSE(applyCellSize(empty, CellSizeField::width, 1, GridSelection{1, 1, 1, 1}));
}

TEST(CellSizeEdit, SelectionBeyondTheTableIsClipped) {
    CellTable table = plainTable({3, 3}, {4, 4});
    ASSERT_TRUE(applyCellSize(table, CellSizeField::textHeight, 9, GridSelection{0, 0, 9, 9}));
    for (const TXlsxCellAttr& cell : table.cells) EXPECT_EQ(cell.drawTH, 9);
}

TEST(CellSizeEdit, WidthOfAMergedColumnResumsTheRegion) {
    // A two-column region over a two-column table; the second column becomes 20 wide.
    CellTable table;
    table.colCount = 2;
    table.rowCount = 1;
    table.cells.resize(2);
    for (TXlsxCellAttr& cell : table.cells) {
        cell.colW = 8;
        cell.rowH = 14;
        cell.cellMerge = true;
        cell.mergecolXscount = 2;
        cell.mergerowYscount = 1;
    }
    calcCellDrawSizes(table, 3, 0.5, 1);
    ASSERT_EQ(table.at(0, 0).drawMW, 48);
    applyCellSize(table, CellSizeField::width, 20, GridSelection{2, 1, 2, 1});
    EXPECT_EQ(table.at(0, 0).drawMW, 24 + 20);
    EXPECT_EQ(table.at(0, 0).mergeW, 16);
}

}  // namespace
}  // namespace tabrova
