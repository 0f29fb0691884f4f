// The drawing options: border styles, vertical places, wrapped and fitted texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "dxf/DrawingView.h"
#include "dxf/TableDrawing.h"
#include "dxf/TextLayout.h"
#include "table/CellGeometry.h"

namespace tabrova {
namespace {

using Lines = std::vector<std::u16string>;

// One row of cells of the given widths, height h, text size 2, all at scale 1.
CellTable makeRow(const std::vector<std::uint16_t>& widths, std::uint16_t h) {
    CellTable t;
    t.colCount = static_cast<std::int32_t>(widths.size());
    t.rowCount = 1;
    t.cells.resize(widths.size());
    for (std::size_t c = 0; c < widths.size(); ++c) {
        TXlsxCellAttr& cell = t.cells[c];
        cell.colW = widths[c];
        cell.rowH = h;
        cell.txtSize = 2;
        cell.mergecolXscount = cell.mergerowYscount = 1;
    }
    calcCellDrawSizes(t, 1, 1, 1);
    return t;
}

CellTextFn oneText(std::u16string text) {
    return [text = std::move(text)](std::int32_t c, std::int32_t) {
        return c == 0 ? text : std::u16string();
    };
}

// The lines of the entity section.
Lines entityLines(const DxfLineList& list) {
    const Lines all = list.lines();
    const auto begin = std::find(all.begin(), all.end(), u"ENTITIES") + 1;
    return Lines(begin, all.end() - 4);  // without ENDSEC and EOF
}

Lines lineEntity(std::u16string_view layer, std::u16string_view type, const char16_t* x1,
                 const char16_t* y1, const char16_t* x2, const char16_t* y2) {
    return {u"  0", u"LINE",
            u"  8", std::u16string(layer),
            u"  6", std::u16string(type),
            u" 62", u"256",
            u" 48", u"1.0",
            u" 10", x1,
            u" 20", y1,
            u" 30", u"0",
            u" 11", x2,
            u" 21", y2,
            u" 31", u"0"};
}

std::vector<DrawnText> textsOf(const CellTable& t, const CellTextFn& text,
                               const DrawingOptions& options) {
    std::vector<DrawnText> out;
    const auto entities = buildTableDrawing({t, text, 0.8, false, options});
    for (const DrawnEntity& e : entities.value()) {
        if (const auto* d = std::get_if<DrawnText>(&e)) out.push_back(*d);
    }
    return out;
}

TEST(DrawingOptions, AllOffTheFileIgnoresWhatTheCellsSayBeyondTheirBorders) {
    CellTable plain = makeRow({10, 10}, 14);
    for (TXlsxCellAttr& cell : plain.cells) cell.lineBits = 15;
    CellTable styled = plain;
    for (TXlsxCellAttr& cell : styled.cells) {
        cell.edgeStyles.fill({borderDouble, weightThick});
        cell.txtPlace = placeTop;
        cell.wrapText = cell.shrinkToFit = true;
    }
    const CellTextFn text = oneText(u"a long text that would wrap");
    DxfLineList a(932), b(932);
    ASSERT_TRUE(buildTableDxf({plain, text, 0.8, true}, a));
    ASSERT_TRUE(buildTableDxf({styled, text, 0.8, true, DrawingOptions{}}, b));
    EXPECT_EQ(a.encoded(), b.encoded());
}

TEST(DrawingOptions, BorderKindsJoinWithinTheirKindAndTheStrongerOfTwoNeighboursWins) {
    CellTable t = makeRow({8, 8}, 14);
    TXlsxCellAttr& a = t.cells[0];
    TXlsxCellAttr& b = t.cells[1];
    a.lineBits = edgeTop | edgeBottom | edgeLeft | edgeRight;
    a.edgeStyles[edgeIndexTop] = {borderContinuous, weightThick};
    a.edgeStyles[edgeIndexBottom] = {borderDouble, weightThin};
    a.edgeStyles[edgeIndexLeft] = {borderDash, weightMedium};
    a.edgeStyles[edgeIndexRight] = {borderContinuous, weightThin};  // b's thick left wins
    b.lineBits = edgeTop | edgeBottom | edgeLeft | edgeRight;
    b.edgeStyles[edgeIndexTop] = {borderContinuous, weightThick};
    b.edgeStyles[edgeIndexBottom] = {borderDash, weightThin};
    b.edgeStyles[edgeIndexLeft] = {borderContinuous, weightThick};
    b.edgeStyles[edgeIndexRight] = {borderContinuous, weightHair};
    DrawingOptions options;
    options.borderStyles = true;
    options.unitsPerPoint = 1;  // the double line's two lines 1.5 apart
    DxfLineList list(932);
    ASSERT_TRUE(buildTableDxf({t, {}, 0.8, false, options}, list));

    // Vertical kinds, then horizontal kinds, each in kind order: thin, hair, medium, thick.
    const std::vector<Lines> entities = {
        lineEntity(u"XLSBordLine_Hair", u"BYLAYER", u"16", u"0", u"16", u"-14"),
        lineEntity(u"XLSBordLine_Medium", u"DASHED", u"0", u"0", u"0", u"-14"),
        lineEntity(u"XLSBordLine_Thick", u"BYLAYER", u"8", u"0", u"8", u"-14"),
        lineEntity(u"XLSBordLine", u"DASHED", u"8", u"-14", u"16", u"-14"),
        lineEntity(u"XLSBordLine", u"BYLAYER", u"0", u"-14.75", u"8", u"-14.75"),
        lineEntity(u"XLSBordLine", u"BYLAYER", u"0", u"-13.25", u"8", u"-13.25"),
        lineEntity(u"XLSBordLine_Thick", u"BYLAYER", u"0", u"0", u"16", u"0"),
    };
    Lines expected;
    for (const Lines& e : entities) expected.insert(expected.end(), e.begin(), e.end());
    EXPECT_EQ(entityLines(list), expected);

    const Lines all = list.lines();
    const auto at = [&](std::u16string_view s) { return std::find(all.begin(), all.end(), s); };
    EXPECT_EQ(*(at(u"LTYPE") + 2), u"     5");  // CONTINUOUS and four patterns
    EXPECT_EQ(Lines(at(u"DASHED") - 3, at(u"DASHED") + 15),
              (Lines{u"  0", u"LTYPE", u"  2", u"DASHED", u" 70", u"     0", u"  3",
                     u"Dashed __ __ __ __", u" 72", u"    65", u" 73", u"     2", u" 40", u"9",
                     u" 49", u"6", u" 49", u"-3"}));
    EXPECT_EQ(*(at(u"LAYER") + 2), u"     7");
    EXPECT_EQ(*(at(u"XLSBordLine_Thick") + 4), u"     1");
}

TEST(DrawingOptions, VerticalPlacesAndTheirJustificationCodes) {
    // Region 14 high, text height 2, margins 1.6 left and right and 0.8 above and below.
    const struct {
        std::uint8_t place;
        std::uint8_t align;
        std::u16string text;
        std::vector<double> ys;
        std::u16string_view code;
    } cases[] = {
        {placeTop, alignLeft, u"a", {-0.8}, u"TL"},
        {placeTop, alignCenter, u"a\nb", {-0.8, -2.8}, u"TC"},
        {placeBottom, alignRight, u"a", {-13.2}, u"BR"},
        {placeBottom, alignNone, u"a\nb", {-11.2, -13.2}, u"BL"},
        {placeMiddle, alignCenter, u"a", {-7}, u"MC"},
    };
    DrawingOptions options;
    options.verticalAlign = true;
    for (const auto& c : cases) {
        CellTable t = makeRow({10}, 14);
        t.cells[0].txtPlace = c.place;
        t.cells[0].txtAlign = c.align;
        const auto texts = textsOf(t, oneText(c.text), options);
        ASSERT_EQ(texts.size(), c.ys.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_NEAR(texts[i].base.y, c.ys[i], 1e-9);
            EXPECT_EQ(texts[i].alignCode, c.code);
        }
    }
    // A row too low for the margins: top and bottom texts lie as a centred one would.
    CellTable low = makeRow({10}, 3);
    low.cells[0].txtPlace = placeTop;
    EXPECT_NEAR(textsOf(low, oneText(u"a"), options)[0].base.y, -0.5, 1e-9);
}

TEST(DrawingOptions, WrappedAndFittedTexts) {
    // Width 10 less margins 1.6 leaves 6.8: four narrow characters of height 2 (1.5 each).
    CellTable t = makeRow({10, 10}, 14);
    t.cells[0].wrapText = true;
    DrawingOptions wrap;
    wrap.wrapText = true;
    const auto wrapped = textsOf(t, oneText(u"ab cd ef"), wrap);
    ASSERT_EQ(wrapped.size(), 3u);
    EXPECT_EQ(wrapped[0].text, u"ab");
    EXPECT_EQ(wrapped[2].text, u"ef");
    EXPECT_NEAR(wrapped[0].base.y, -5, 1e-9);  // the block of three centred on -7
    EXPECT_EQ(wrapped[0].widthFactor, 1.0);

    DrawingOptions fit;
    fit.fitText = true;
    const double width = estimateTextWidth(u"abcdefgh", 2);
    EXPECT_NEAR(textsOf(t, oneText(u"abcdefgh"), fit)[0].widthFactor, 6.8 / width, 1e-12);
    EXPECT_EQ(textsOf(t, oneText(u"abcd"), fit)[0].widthFactor, 1.0);
    EXPECT_EQ(textsOf(t, oneText(std::u16string(40, u'x')), fit)[0].widthFactor, 0.3);
    // Without the sheet's wrap the text stays one line.
    t.cells[0].wrapText = false;
    EXPECT_EQ(textsOf(t, oneText(u"ab cd ef"), wrap).size(), 1u);

    // The writer carries the factor as group 41.
    DxfLineList list(932);
    ASSERT_TRUE(buildTableDxf({t, oneText(u"abcdefghijkl"), 0.8, false, fit}, list));
    const Lines lines = entityLines(list);
    const std::string factor = formatDxfReal(6.8 / estimateTextWidth(u"abcdefghijkl", 2));
    EXPECT_EQ(*(std::find(lines.begin(), lines.end(), u" 41") + 1),
              std::u16string(factor.begin(), factor.end()));
}

TEST(TextLayout, WrapsAtSpacesAndBetweenWideCharactersKeepingPunctuationAttached) {
    // Height kCapHeightPerEm: a wide character is 1 wide, a narrow one 0.55.
    const struct {
        std::u16string text;
        double width;
        Lines lines;
    } cases[] = {
        {u"aaa bbb ccc", 4, {u"aaa bbb", u"ccc"}},
        {u"abcdefghij", 2, {u"abc", u"def", u"ghi", u"j"}},
        {u"あいう。えお", 3, {u"あい", u"う。え", u"お"}},
        {u"「あいう」", 2, {u"「あ", u"い", u"う」"}},
        {u"Motor モータ", 4, {u"Motor", u"モータ"}},
        {u"x", 0, {u"x"}},
        {u"", 3, {u""}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(wrapTextLine(c.text, kCapHeightPerEm, c.width), c.lines);
    }
}

TEST(TextLayout, WidthFactorFitsButNeverBelowItsMinimum) {
    EXPECT_EQ(widthFactorToFit(10, 20), 1.0);
    EXPECT_EQ(widthFactorToFit(20, 10), 0.5);
    EXPECT_EQ(widthFactorToFit(100, 10), kMinWidthFactor);
    EXPECT_EQ(widthFactorToFit(10, -1), kMinWidthFactor);
}

TEST(DrawingView, DashesWeightsAndNarrowedTexts) {
    const std::vector<DrawnEntity> entities = {
        DrawnLine{{0, 0, 0}, {9, 0, 0}, kLayerBordLineMedium, u"DASHED", 1},  // 6 on, 3 off
        DrawnLine{{0, -1, 0}, {9, -1, 0}, kLayerBordLineThick},
        DrawnText{u"abc", {0, -5, 0}, 2, u"ML", 0.5},
    };
    const DisplayList list = buildDisplayList(entities, ViewTransform{});
    ASSERT_EQ(list.lines.size(), 2u);
    EXPECT_EQ(list.lines[0].end.x, 6);
    EXPECT_EQ(list.lines[0].width, 2);
    EXPECT_EQ(list.lines[1].width, 3);
    EXPECT_NEAR(list.texts[0].placement.box.width, estimateTextWidth(u"abc", 2) / 2, 1e-12);
}

}  // namespace
}  // namespace tabrova
