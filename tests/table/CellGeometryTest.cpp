#include <gtest/gtest.h>

#include <vector>

#include "table/CellGeometry.h"

namespace tabrova {
namespace {

CellTable makeTable(std::int32_t cols, std::int32_t rows, std::uint16_t colW = 8,
                    std::uint16_t rowH = 14, std::uint16_t txtSize = 11) {
    CellTable t;
    t.colCount = cols;
    t.rowCount = rows;
    t.cells.resize(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
    for (std::int32_t r = 0; r < rows; ++r) {
        for (std::int32_t c = 0; c < cols; ++c) {
            TXlsxCellAttr& cell = t.at(c, r);
            cell.colW = colW;
            cell.rowH = rowH;
            cell.txtSize = txtSize;
            cell.mergecolXscount = 1;
            cell.mergerowYscount = 1;
            cell.mergeLeft = static_cast<std::uint16_t>(c * colW);
            cell.mergeTop = static_cast<std::uint16_t>(r * rowH);
        }
    }
    return t;
}

// Marks the cells of a merged area of the sheet that starts at sheet position (left, top) and
// spans nX x nY cells, of which the cells in [c0, c1) x [r0, r1) lie in the table.
void mergeArea(CellTable& t, std::int32_t c0, std::int32_t r0, std::int32_t c1, std::int32_t r1,
               std::uint16_t nX, std::uint16_t nY, std::uint16_t left, std::uint16_t top) {
    for (std::int32_t r = r0; r < r1; ++r) {
        for (std::int32_t c = c0; c < c1; ++c) {
            TXlsxCellAttr& cell = t.at(c, r);
            cell.cellMerge = true;
            cell.mergecolXscount = nX;
            cell.mergerowYscount = nY;
            cell.mergeLeft = left;
            cell.mergeTop = top;
        }
    }
}

std::vector<int> masks(const CellTable& t) {
    std::vector<int> out;
    for (const auto& cell : t.cells) out.push_back(cell.mergeBits);
    return out;
}

std::vector<int> marks(const CellTable& t) {
    std::vector<int> out;
    for (const auto& cell : t.cells) out.push_back(cell.mark ? 1 : 0);
    return out;
}

TEST(CalcCellDrawSizes, PlainCellSizesFollowTheScales) {
    CellTable t = makeTable(1, 1, 8, 14, 11);
    calcCellDrawSizes(t, 3, 0.43, 0.27);
    const TXlsxCellAttr& c = t.at(0, 0);
    EXPECT_DOUBLE_EQ(c.drawW, 24);
    EXPECT_DOUBLE_EQ(c.drawH, 6.02);
    EXPECT_DOUBLE_EQ(c.drawTH, 2.97);
    EXPECT_EQ(c.drawMW, 0);
    EXPECT_EQ(c.drawMH, 0);
    EXPECT_EQ(c.mergeBits, 0);
    EXPECT_FALSE(c.mark);
}

TEST(CalcCellDrawSizes, EmptyOrInconsistentTableIsLeftAlone) {
    CellTable empty;
    calcCellDrawSizes(empty, 1, 1, 1);
    recalcMergeDrawSizes(empty);
    EXPECT_TRUE(empty.cells.empty());

    CellTable wrong = makeTable(2, 2);
    wrong.rowCount = 3;  // more rows than records
    calcCellDrawSizes(wrong, 1, 1, 1);
    recalcMergeDrawSizes(wrong);
    for (const auto& cell : wrong.cells) EXPECT_EQ(cell.drawW, 0);
}

TEST(CalcCellDrawSizes, TwoByThreeRegion) {
    CellTable t = makeTable(2, 3);
    t.at(1, 0).colW = t.at(1, 1).colW = t.at(1, 2).colW = 10;
    t.at(0, 2).rowH = t.at(1, 2).rowH = 20;
    mergeArea(t, 0, 0, 2, 3, 2, 3, 0, 0);
    calcCellDrawSizes(t, 3, 0.43, 0.27);
    const TXlsxCellAttr& a = t.at(0, 0);
    EXPECT_EQ(a.mergeW, 18);
    EXPECT_EQ(a.mergeH, 48);
    EXPECT_DOUBLE_EQ(a.drawMW, 18 * 3.0);
    EXPECT_DOUBLE_EQ(a.drawMH, 48 * 0.43);
    EXPECT_EQ(masks(t), (std::vector<int>{5, 9, 4, 8, 6, 10}));
    EXPECT_EQ(marks(t), (std::vector<int>{0, 1, 1, 1, 1, 1}));
    for (std::size_t i = 1; i < t.cells.size(); ++i) {
        EXPECT_EQ(t.cells[i].drawMW, 0);
        EXPECT_EQ(t.cells[i].drawMH, 0);
    }
    EXPECT_DOUBLE_EQ(t.at(1, 2).drawW, 30);  // covered cells keep their own sizes
    EXPECT_DOUBLE_EQ(t.at(1, 2).drawH, 20 * 0.43);
}

TEST(CalcCellDrawSizes, RegionShapesGiveTheirMasks) {
    struct Case {
        std::int32_t cols, rows;
        std::vector<int> masks;
    };
    const Case cases[] = {
        {1, 3, {13, 12, 14}},
        {3, 1, {7, 3, 11}},
        {1, 1, {15}},
        {3, 3, {5, 1, 9, 4, 0, 8, 6, 2, 10}},
    };
    for (const Case& k : cases) {
        CellTable t = makeTable(k.cols, k.rows);
        mergeArea(t, 0, 0, k.cols, k.rows, static_cast<std::uint16_t>(k.cols),
                  static_cast<std::uint16_t>(k.rows), 0, 0);
        calcCellDrawSizes(t, 1, 1, 1);
        EXPECT_EQ(masks(t), k.masks) << k.cols << "x" << k.rows;
        // A second pass gives the same layout.
        calcCellDrawSizes(t, 2, 2, 2);
        EXPECT_EQ(masks(t), k.masks) << k.cols << "x" << k.rows;
        EXPECT_EQ(t.at(0, 0).drawMW, 2.0 * 8 * k.cols);
        EXPECT_EQ(t.at(0, 0).drawMH, 2.0 * 14 * k.rows);
    }
}

TEST(CalcCellDrawSizes, RestoresIndividualEditsAndPlainCellsStayPlain) {
    CellTable t = makeTable(3, 2);
    mergeArea(t, 1, 0, 3, 1, 2, 1, 8, 0);
    calcCellDrawSizes(t, 3, 1, 1);
    t.at(0, 0).drawW = t.at(0, 1).drawW = 99;
    calcCellDrawSizes(t, 3, 1, 1);
    EXPECT_EQ(t.at(0, 0).drawW, 24);
    EXPECT_EQ(t.at(0, 1).drawW, 24);
    EXPECT_EQ(masks(t), (std::vector<int>{0, 7, 11, 0, 0, 0}));
    EXPECT_EQ(marks(t), (std::vector<int>{0, 0, 1, 0, 0, 0}));
}

TEST(RecalcMergeDrawSizes, FollowsIndividualSizesOnly) {
    CellTable t = makeTable(2, 2);
    mergeArea(t, 0, 0, 2, 2, 2, 2, 0, 0);
    calcCellDrawSizes(t, 3, 0.5, 0.25);
    const std::uint16_t mergeW = t.at(0, 0).mergeW;
    t.at(1, 0).drawW = t.at(1, 1).drawW = 20;
    t.at(0, 1).drawH = t.at(1, 1).drawH = 9;
    recalcMergeDrawSizes(t);
    EXPECT_DOUBLE_EQ(t.at(0, 0).drawMW, 24 + 20);
    EXPECT_DOUBLE_EQ(t.at(0, 0).drawMH, 7 + 9);
    EXPECT_EQ(t.at(0, 0).mergeW, mergeW);
    EXPECT_EQ(masks(t), (std::vector<int>{5, 9, 6, 10}));

    // A text-height edit alone changes no region size.
    const double mw = t.at(0, 0).drawMW, mh = t.at(0, 0).drawMH;
    for (auto& cell : t.cells) cell.drawTH = 7;
    recalcMergeDrawSizes(t);
    EXPECT_EQ(t.at(0, 0).drawMW, mw);
    EXPECT_EQ(t.at(0, 0).drawMH, mh);
}

// A merged area that the selection cuts: only its cells inside the table form the region.
TEST(CalcCellDrawSizes, AreaCutByTheSelection) {
    struct Case {
        const char* what;
        std::int32_t c0, r0, c1, r1;  // cells of the area inside the 3 x 3 table
        std::uint16_t nX, nY;         // the whole area's counts
        std::vector<int> masks;
        std::vector<int> marks;
        double drawMW, drawMH;  // of the anchor, with unit scales
    };
    const Case cases[] = {
        // Cut at the right: the area's 4 columns reach past the table's last column.
        {"right",
         1,
         0,
         3,
         2,
         4,
         2,
         {0, 5, 9, 0, 6, 10, 0, 0, 0},
         {0, 0, 1, 0, 1, 1, 0, 0, 0},
         16,
         28},
        // Cut at the bottom: its 5 rows reach past the last row.
        {"bottom",
         0,
         1,
         2,
         3,
         2,
         5,
         {0, 0, 0, 5, 9, 0, 6, 10, 0},
         {0, 0, 0, 0, 1, 0, 1, 1, 0},
         16,
         28},
        // Cut at the left: the first cell inside is taken as anchor; its counts (3 columns) must
        // not reach the plain cell (2, 0).
        {"left",
         0,
         0,
         2,
         1,
         3,
         1,
         {7, 11, 0, 0, 0, 0, 0, 0, 0},
         {0, 1, 0, 0, 0, 0, 0, 0, 0},
         16,
         14},
        // Cut at the top: its 3 rows must not reach the plain cell (0, 2).
        {"top",
         0,
         0,
         1,
         2,
         1,
         3,
         {13, 0, 0, 14, 0, 0, 0, 0, 0},
         {0, 0, 0, 1, 0, 0, 0, 0, 0},
         8,
         28},
    };
    for (const Case& k : cases) {
        CellTable t = makeTable(3, 3);
        // A sheet position the table's cells do not have, as for an area starting outside.
        mergeArea(t, k.c0, k.r0, k.c1, k.r1, k.nX, k.nY, 500, 500);
        calcCellDrawSizes(t, 1, 1, 1);
        EXPECT_EQ(masks(t), k.masks) << k.what;
        EXPECT_EQ(marks(t), k.marks) << k.what;
        const TXlsxCellAttr& a = t.at(k.c0, k.r0);
        EXPECT_EQ(a.drawMW, k.drawMW) << k.what;
        EXPECT_EQ(a.drawMH, k.drawMH) << k.what;
        recalcMergeDrawSizes(t);
        EXPECT_EQ(a.drawMW, k.drawMW) << k.what;
        EXPECT_EQ(a.drawMH, k.drawMH) << k.what;
        EXPECT_EQ(marks(t), k.marks) << k.what;
    }
}

TEST(CalcCellDrawSizes, NeighbouringAreasStaySeparate) {
    // Two areas side by side and one below, each cut so that its counts reach into the others.
    CellTable t = makeTable(4, 3);
    mergeArea(t, 0, 0, 2, 2, 4, 3, 100, 100);  // counts reach over the area to its right
    mergeArea(t, 2, 0, 4, 2, 2, 2, 16, 0);
    mergeArea(t, 0, 2, 4, 3, 4, 1, 0, 28);
    calcCellDrawSizes(t, 1, 1, 1);
    EXPECT_EQ(masks(t), (std::vector<int>{5, 9, 5, 9, 6, 10, 6, 10, 7, 3, 3, 11}));
    EXPECT_EQ(marks(t), (std::vector<int>{0, 1, 0, 1, 1, 1, 1, 1, 0, 1, 1, 1}));
    EXPECT_EQ(t.at(0, 0).drawMW, 16);
    EXPECT_EQ(t.at(0, 0).drawMH, 28);
    EXPECT_EQ(t.at(2, 0).drawMW, 16);
    EXPECT_EQ(t.at(0, 2).drawMW, 32);
    EXPECT_EQ(t.at(0, 2).drawMH, 14);
}

}  // namespace
}  // namespace tabrova
