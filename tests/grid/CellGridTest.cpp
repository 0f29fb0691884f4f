#include <gtest/gtest.h>

#include "grid/CellGrid.h"

namespace tabrova {
namespace {

TEST(FixedCellSelection, CornerColumnAndRowCaptions) {
    const struct {
        int col, row;
        int left, top, right, bottom;
    } cases[] = {
        {0, 0, 1, 1, 4, 6},  // corner: every data cell of a 5 x 7 grid
        {3, 0, 3, 1, 3, 6},  // column caption
        {0, 2, 1, 2, 4, 2},  // row caption
    };
    for (const auto& c : cases) {
        const GridSelection s = fixedCellSelection(c.col, c.row, 5, 7);
        EXPECT_EQ(s.left, c.left);
        EXPECT_EQ(s.top, c.top);
        EXPECT_EQ(s.right, c.right);
        EXPECT_EQ(s.bottom, c.bottom);
    }
}

TEST(SetTextAlign, SetsTheRectangleAndStaysInsideTheTable) {
    CellTable table;
    table.colCount = 3;
    table.rowCount = 2;
    table.cells.resize(6);
    EXPECT_TRUE(setTextAlign(table, GridSelection{2, 1, 9, 9}, alignRight));
    EXPECT_EQ(table.at(0, 0).txtAlign, 0);
    EXPECT_EQ(table.at(0, 1).txtAlign, 0);
    for (int c = 1; c < 3; ++c) {
        for (int r = 0; r < 2; ++r) EXPECT_EQ(table.at(c, r).txtAlign, alignRight);
    }
    CellTable empty;
    EXPECT_FALSE(setTextAlign(empty, GridSelection{1, 1, 1, 1}, alignLeft));
}

TEST(CaretCharCodeLabel, CodeOfTheCharacterAfterTheCaret) {
    const struct {
        std::u16string text;
        std::size_t caret;
        std::u16string label;
    } cases[] = {
        {u"ab\ncd", 2, u"[000A]"}, {u"ab\rcd", 2, u"[000D]"},  {u"ab", 2, u""}, {u"", 0, u""},
        {u"表", 0, u"[8868]"},     {u"a\uFF21", 1, u"[FF21]"},
    };
    for (const auto& c : cases) EXPECT_EQ(caretCharCodeLabel(c.text, c.caret), c.label);
    EXPECT_TRUE(containsLineFeed(u"a\nb"));
    EXPECT_FALSE(containsLineFeed(u"a\rb"));
}

TEST(MergedRegionCell, AnchorsAndCoveredCellsOnly) {
    TXlsxCellAttr plain;
    TXlsxCellAttr covered;
    covered.mark = true;
    TXlsxCellAttr anchor;
    anchor.drawMW = 10;
    EXPECT_FALSE(isMergedRegionCell(plain));
    EXPECT_TRUE(isMergedRegionCell(covered));
    EXPECT_TRUE(isMergedRegionCell(anchor));
    EXPECT_EQ(textPlacement(0), TextPlacement::left);
    EXPECT_EQ(textPlacement(2), TextPlacement::centre);
    EXPECT_EQ(textPlacement(3), TextPlacement::right);
    EXPECT_EQ(textPlacement(7), TextPlacement::left);
}

}  // namespace
}  // namespace tabrova
