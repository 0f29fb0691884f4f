#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "dxf/DrawingView.h"
#include "table/CellGeometry.h"

namespace tabrova {
namespace {

constexpr double kEps = 1e-9;

void expectPoint(ViewPoint actual, double x, double y) {
    EXPECT_NEAR(actual.x, x, kEps);
    EXPECT_NEAR(actual.y, y, kEps);
}

// A width of 10 view units per character, whatever the height.
double tenPerChar(std::u16string_view text, double) {
    return 10.0 * static_cast<double>(text.size());
}

TEST(DrawingViewTest, LinesLandInViewCoordinatesInTheirLayerColours) {
    const std::vector<DrawnEntity> entities = {
        DrawnLine{{0, 0, 0}, {24, 0, 0}, kLayerCellLine},
        DrawnLine{{24, 0, 0}, {24, -6, 0}, kLayerBordLine},
        DrawnOutline{{TAcadPoint{0, 0, 0}, {24, 0, 0}, {24, -6, 0}, {0, -6, 0}}},
    };
    const ViewTransform view{2, 10, 20};
    const DisplayList list = buildDisplayList(entities, view);
    ASSERT_EQ(list.lines.size(), 2u);
    expectPoint(list.lines[0].start, 10, 20);
    expectPoint(list.lines[0].end, 58, 20);
    expectPoint(list.lines[1].end, 58, 32);
    EXPECT_EQ(list.lines[0].color, (Rgb{105, 105, 105}));  // 252, a mid grey
    EXPECT_EQ(list.lines[1].color, (Rgb{0, 0, 0}));        // 7, black on white
    ASSERT_EQ(list.outlines.size(), 1u);
    expectPoint(list.outlines[0].corners[2], 58, 32);
    EXPECT_EQ(list.outlines[0].color, (Rgb{105, 105, 105}));
}

TEST(DrawingViewTest, TextBoxFollowsJustification) {
    // Anchor (100, 50), 40 wide, capital letters 10 high; y grows downward.
    struct Case {
        std::int32_t h72, v73;
        double left, top, baselineY;
    } cases[] = {
        {0, 2, 100, 45, 55},  // ML: the middle of the left end
        {1, 2, 80, 45, 55},   // MC
        {2, 2, 60, 45, 55},   // MR
        {0, 0, 100, 40, 50},  // baseline
        {0, 3, 100, 50, 60},  // top
        {0, 1, 100, 37, 47},  // bottom: descenders end at the anchor
        {4, 0, 80, 45, 55},   // middle: centred both ways, group 73 ignored
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.h72) + "/" + std::to_string(c.v73));
        const PlacedText p = placeText({100, 50}, 40, 10, c.h72, c.v73);
        EXPECT_NEAR(p.box.left, c.left, kEps);
        EXPECT_NEAR(p.box.top, c.top, kEps);
        EXPECT_NEAR(p.box.width, 40, kEps);
        EXPECT_NEAR(p.box.height, 10, kEps);
        expectPoint(p.baselineStart, c.left, c.baselineY);
    }
}

TEST(DrawingViewTest, TableTextsLandAtTheirAlignmentPoints) {
    // Two columns 20 and 30 wide, one row 6 high, text height 2, offset 0.5 text heights.
    CellTable t;
    t.colCount = 2;
    t.rowCount = 1;
    t.cells.resize(2);
    for (std::int32_t c = 0; c < 2; ++c) {
        TXlsxCellAttr& cell = t.at(c, 0);
        cell.colW = static_cast<std::uint16_t>(c == 0 ? 20 : 30);
        cell.rowH = 6;
        cell.txtSize = 2;
        cell.mergecolXscount = cell.mergerowYscount = 1;
        cell.mergeLeft = static_cast<std::uint16_t>(c);
    }
    t.at(0, 0).txtAlign = alignCenter;
    t.at(1, 0).txtAlign = alignRight;
    calcCellDrawSizes(t, 1, 1, 1);
    const auto entities = buildTableDrawing(
        {t, [](std::int32_t c, std::int32_t) { return c == 0 ? u"ab" : u"x\r\ny"; }, 0.5, true});
    ASSERT_TRUE(entities.has_value());

    const ViewTransform view{4, 8, 8};  // (x, y) -> (8 + 4x, 8 - 4y)
    const DisplayList list = buildDisplayList(*entities, view, tenPerChar);
    ASSERT_EQ(list.texts.size(), 3u);
    const DisplayText& centre = list.texts[0];
    EXPECT_EQ(centre.text, u"ab");
    EXPECT_EQ(centre.horizontalJust, 1);
    EXPECT_EQ(centre.verticalAlign, 2);
    expectPoint(centre.anchor, 8 + 4 * 10, 8 + 4 * 3);
    EXPECT_NEAR(centre.capHeight, 8, kEps);
    EXPECT_NEAR(centre.placement.box.left, 48 - 10, kEps);
    EXPECT_NEAR(centre.placement.box.top, 20 - 4, kEps);

    // Two lines, one text height apart around the middle; right end 1 unit from the right edge;
    // the carriage return is not part of the text.
    const DisplayText& first = list.texts[1];
    const DisplayText& second = list.texts[2];
    EXPECT_EQ(first.text, u"x");
    EXPECT_EQ(first.horizontalJust, 2);
    expectPoint(first.anchor, 8 + 4 * 49, 8 + 4 * 2);
    expectPoint(second.anchor, 8 + 4 * 49, 8 + 4 * 4);
    EXPECT_NEAR(first.placement.box.left + first.placement.box.width, first.anchor.x, kEps);
    EXPECT_EQ(first.color, (Rgb{0, 0, 0}));

    const DrawingBounds frame = tableBounds(*entities, tenPerChar);
    EXPECT_EQ(drawingSizeLabel(frame), u"W 50.000 × H 6.000");
}

TEST(DrawingViewTest, FitShowsTheDrawingWholeAndCentred) {
    DrawingBounds b;
    b.add(0, 0);
    b.add(100, -50);
    struct Case {
        double w, h, scale;
        ViewPoint topLeft, bottomRight;
    } cases[] = {
        {220, 120, 2, {10, 10}, {210, 110}},   // both ways fit exactly
        {420, 120, 2, {110, 10}, {310, 110}},  // height limits, centred across
        {120, 420, 1, {10, 185}, {110, 235}},  // width limits, centred down
    };
    for (const Case& c : cases) {
        const ViewTransform t = fitToView(b, c.w, c.h, 10);
        EXPECT_NEAR(t.scale, c.scale, kEps);
        expectPoint(t.toView(0, 0), c.topLeft.x, c.topLeft.y);
        expectPoint(t.toView(100, -50), c.bottomRight.x, c.bottomRight.y);
    }
    // Nothing to show: no division by zero.
    const ViewTransform empty = fitToView(DrawingBounds{}, 200, 100, 10);
    EXPECT_GT(empty.scale, 0);
}

TEST(DrawingViewTest, ZoomKeepsThePointUnderTheCursor) {
    const ViewTransform t{2, 10, 20};
    const ViewPoint cursor{50, 60};
    const TAcadPoint under = t.toDrawing(cursor);
    const ViewTransform z = t.zoomedAt(cursor, 1.5);
    EXPECT_NEAR(z.scale, 3, kEps);
    expectPoint(z.toView(under), 50, 60);
    const ViewTransform p = z.pannedBy(5, -7);
    expectPoint(p.toView(under), 55, 53);
}

TEST(DrawingViewTest, LegibleScaleMakesTheSmallestTextReadableWithinLimits) {
    auto table = [](double w, double h, double textHeight) {
        return std::vector<DrawnEntity>{
            DrawnLine{{0, 0, 0}, {w, -h, 0}, kLayerCellLine},
            DrawnText{u"a", {1, -1, 0}, textHeight, u"ML"},
            DrawnText{u"b", {1, -2, 0}, textHeight * 2, u"ML"},
        };
    };
    // 2.5 high texts get 11-pixel capitals.
    EXPECT_NEAR(legibleScale(table(200, 50, 2.5)), 11 / 2.5, kEps);
    // A huge table is held to the largest side.
    EXPECT_NEAR(legibleScale(table(100000, 50, 2.5), 11, 12000), 12000.0 / 100000, 1e-6);
    // A huge square one is held to the pixel count.
    const double square = legibleScale(table(5000, 5000, 2.5), 11, 12000, 480, 40e6);
    EXPECT_LE(square * square * 5000 * 5000, 40e6);
    EXPECT_NEAR(square, std::sqrt(40e6) / 5000, 1e-3);
    // A tiny one is drawn at least minSide pixels long.
    EXPECT_NEAR(legibleScale(table(10, 5, 2.5), 11, 12000, 480), 48, kEps);
}

TEST(DrawingViewTest, SvgHoldsLinesAndAnchoredEscapedTexts) {
    const std::vector<DrawnEntity> entities = {
        DrawnLine{{0, 0, 0}, {10, 0, 0}, kLayerCellLine},
        DrawnText{u"A&B <品>", {10, -2, 0}, 2, u"MR"},
    };
    const DisplayList list = buildDisplayList(entities, ViewTransform{10, 5, 5});
    const std::string svg = displayListSvg(list, 200, 100, u"W 10.000 × H 2.000");
    EXPECT_NE(svg.find("<line x1=\"5\" y1=\"5\" x2=\"105\" y2=\"5\" stroke=\"#696969\"/>"),
              std::string::npos)
        << svg;
    // Right-justified at its anchor, baseline half a cap height below it.
    EXPECT_NE(svg.find("<text x=\"105\" y=\"35\" font-size=\"27.29\" text-anchor=\"end\" "
                       "fill=\"#000000\">A&amp;B &lt;\xE5\x93\x81&gt;</text>"),
              std::string::npos)
        << svg;
    EXPECT_NE(svg.find("W 10.000 \xC3\x97 H 2.000"), std::string::npos);
}

}  // namespace
}  // namespace tabrova
