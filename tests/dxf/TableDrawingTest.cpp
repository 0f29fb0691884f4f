#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "dxf/TableDrawing.h"
#include "dxf/TempDir.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "table/CellGeometry.h"

namespace tabrova {
namespace {

struct Seg {
    double x1, y1, x2, y2;
    bool operator==(const Seg&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Seg& s) {
    return os << "(" << s.x1 << ", " << s.y1 << ")-(" << s.x2 << ", " << s.y2 << ")";
}

using Texts = std::map<std::pair<int, int>, std::u16string>;

// A table whose columns have the given widths and rows the given heights (scale 1), text size 2.
CellTable makeTable(const std::vector<std::uint16_t>& widths,
                    const std::vector<std::uint16_t>& heights, std::uint8_t lineBits = 0) {
    CellTable t;
    t.colCount = static_cast<std::int32_t>(widths.size());
    t.rowCount = static_cast<std::int32_t>(heights.size());
    t.cells.resize(widths.size() * heights.size());
    for (std::int32_t r = 0; r < t.rowCount; ++r) {
        for (std::int32_t c = 0; c < t.colCount; ++c) {
            TXlsxCellAttr& cell = t.at(c, r);
            cell.colW = widths[static_cast<std::size_t>(c)];
            cell.rowH = heights[static_cast<std::size_t>(r)];
            cell.txtSize = 2;
            cell.lineBits = lineBits;
            cell.mergecolXscount = cell.mergerowYscount = 1;
            cell.mergeLeft = static_cast<std::uint16_t>(c);
            cell.mergeTop = static_cast<std::uint16_t>(r);
        }
    }
    return t;
}

void merge(CellTable& t, std::int32_t c0, std::int32_t r0, std::int32_t nx, std::int32_t ny) {
    for (std::int32_t r = r0; r < r0 + ny; ++r) {
        for (std::int32_t c = c0; c < c0 + nx; ++c) {
            TXlsxCellAttr& cell = t.at(c, r);
            cell.cellMerge = true;
            cell.mergecolXscount = static_cast<std::uint16_t>(nx);
            cell.mergerowYscount = static_cast<std::uint16_t>(ny);
            cell.mergeLeft = static_cast<std::uint16_t>(500 + c0);
            cell.mergeTop = static_cast<std::uint16_t>(500 + r0);
        }
    }
}

CellTextFn textsOf(Texts texts) {
    return [texts = std::move(texts)](std::int32_t c, std::int32_t r) {
        const auto it = texts.find({c, r});
        return it == texts.end() ? std::u16string() : it->second;
    };
}

std::vector<DrawnEntity> draw(const CellTable& t, Texts texts = {}, bool cellLines = true,
                              double cadTof = 0.8) {
    auto entities = buildTableDrawing({t, textsOf(std::move(texts)), cadTof, cellLines});
    EXPECT_TRUE(entities.has_value());
    return entities ? *entities : std::vector<DrawnEntity>{};
}

std::vector<Seg> linesOn(const std::vector<DrawnEntity>& entities, std::u16string_view layer) {
    std::vector<Seg> out;
    for (const auto& e : entities) {
        if (const auto* l = std::get_if<DrawnLine>(&e); l && l->layer == layer) {
            out.push_back({l->start.x, l->start.y, l->end.x, l->end.y});
        }
    }
    return out;
}

std::vector<DrawnText> textsIn(const std::vector<DrawnEntity>& entities) {
    std::vector<DrawnText> out;
    for (const auto& e : entities) {
        if (const auto* t = std::get_if<DrawnText>(&e)) out.push_back(*t);
    }
    return out;
}

// One letter per entity: S separator (cell line), O outline, T text, B border line.
std::string kinds(const std::vector<DrawnEntity>& entities) {
    std::string out;
    for (const auto& e : entities) {
        if (const auto* l = std::get_if<DrawnLine>(&e)) {
            out += l->layer == kLayerBordLine ? 'B' : 'S';
        } else {
            out += std::holds_alternative<DrawnOutline>(e) ? 'O' : 'T';
        }
    }
    return out;
}

TEST(TableDrawing, EmptyOrUnusableTableDrawsAndWritesNothing) {
    const testing::TempDir dir;
    const auto path = dir.path() / "table.dxf";
    CellTable empty;
    EXPECT_FALSE(buildTableDrawing({empty, {}, 0.8, true}).has_value());
    EXPECT_FALSE(writeTableDxf({empty, {}, 0.8, true}, path));
    CellTable wrong = makeTable({8, 8}, {14});
    wrong.rowCount = 2;
    EXPECT_FALSE(writeTableDxf({wrong, {}, 0.8, true}, path));
    DxfLineList list(932);
    list.append(u"kept");
    EXPECT_FALSE(buildTableDxf({empty, {}, 0.8, true}, list));
    EXPECT_EQ(list.itemCount(), 1u);
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(TableDrawing, PlainCellWithoutBordersTextOrCellLinesHasNoEntities) {
    CellTable t = makeTable({8}, {14});
    calcCellDrawSizes(t, 1, 1, 1);
    EXPECT_TRUE(draw(t, {}, false).empty());
}

TEST(TableDrawing, SeparatorsOfATwoByThreeTable) {
    // 3 row separators, the bottom line, 2 column separators and the right line: 7 lines.
    CellTable t = makeTable({8, 10}, {14, 14, 20});
    calcCellDrawSizes(t, 1, 1, 1);
    const auto entities = draw(t);
    EXPECT_EQ(kinds(entities), "SSSSSSS");
    EXPECT_EQ(linesOn(entities, kLayerCellLine), (std::vector<Seg>{{0, 0, 18, 0},
                                                                   {0, -14, 18, -14},
                                                                   {0, -28, 18, -28},
                                                                   {0, -48, 18, -48},
                                                                   {0, 0, 0, -48},
                                                                   {8, 0, 8, -48},
                                                                   {18, 0, 18, -48}}));
}

TEST(TableDrawing, MergedCellsInterruptSeparators) {
    // Row 0: plain, then a 1 x 2 region in column 1; row 1: plain, covered.
    CellTable t = makeTable({8, 10}, {14, 6});
    merge(t, 1, 0, 1, 2);
    calcCellDrawSizes(t, 1, 1, 1);
    const auto entities = draw(t);
    EXPECT_EQ(kinds(entities), "SSSSSO");
    EXPECT_EQ(
        linesOn(entities, kLayerCellLine),
        (std::vector<Seg>{
            {0, 0, 8, 0}, {0, -14, 8, -14}, {0, -20, 18, -20}, {0, 0, 0, -20}, {18, 0, 18, -20}}));
}

TEST(TableDrawing, RegionOutlineAndCentredText) {
    CellTable t = makeTable({8}, {14, 6});
    merge(t, 0, 0, 1, 2);
    calcCellDrawSizes(t, 1, 1, 1);
    const auto entities = draw(t, {{{0, 0}, u"見出し"}});
    ASSERT_EQ(kinds(entities), "SSOT");  // bottom and right lines, outline, text
    const auto& outline = std::get<DrawnOutline>(entities[2]);
    const double expected[4][2] = {{0, 0}, {8, 0}, {8, -20}, {0, -20}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(outline.corners[static_cast<std::size_t>(i)].x, expected[i][0]);
        EXPECT_EQ(outline.corners[static_cast<std::size_t>(i)].y, expected[i][1]);
    }
    const auto& text = std::get<DrawnText>(entities[3]);
    EXPECT_EQ(text.base.y, -10);
    EXPECT_EQ(draw(t, {}, false).size(), 0u);  // no outline without cell lines
}

TEST(TableDrawing, TextBasePointsByAlignment) {
    struct Case {
        std::uint8_t align;
        double x;
        const char16_t* code;
    };
    const Case cases[] = {{alignNone, 10 + 2.376, u"ML"},
                          {alignLeft, 10 + 2.376, u"ML"},
                          {alignCenter, 10 + 12, u"MC"},
                          {alignRight, 10 + 24 - 2.376, u"MR"}};
    for (const Case& k : cases) {
        CellTable t = makeTable({10, 24}, {14});
        calcCellDrawSizes(t, 1, 1, 1);
        t.at(1, 0).drawTH = 2.97;
        t.at(1, 0).txtAlign = k.align;
        const auto texts = textsIn(draw(t, {{{1, 0}, u"abc"}}, false, 0.8));
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_DOUBLE_EQ(texts[0].base.x, k.x) << int{k.align};
        EXPECT_EQ(texts[0].base.y, -7);
        EXPECT_EQ(texts[0].alignCode, k.code);
        EXPECT_EQ(texts[0].height, 2.97);
    }
}

TEST(TableDrawing, MultiLineTexts) {
    struct Case {
        std::u16string text;
        std::vector<std::pair<std::u16string, double>> lines;  // text, offset from the middle
    };
    const Case cases[] = {
        {u"X Y\nZ", {{u"X Y", 1.5}, {u"Z", -1.5}}},
        {u"A\n\nB", {{u"A", 3}, {u"B", -3}}},
        {u"A\n", {{u"A", 1.5}}},
        {u"\n", {}},
        {u"A\r\nB", {{u"A\r", 1.5}, {u"B", -1.5}}},  // the writer drops the CR
        {u"\r\r", {}},                               // nothing left once the CRs are dropped
        {u"\r\nB\n\r", {{u"B", 0}}},
    };
    for (const Case& k : cases) {
        CellTable t = makeTable({10}, {14});
        calcCellDrawSizes(t, 1, 1, 1.5);
        const auto texts = textsIn(draw(t, {{{0, 0}, k.text}}, false));
        ASSERT_EQ(texts.size(), k.lines.size());
        for (std::size_t i = 0; i < texts.size(); ++i) {
            EXPECT_EQ(texts[i].text, k.lines[i].first);
            EXPECT_EQ(texts[i].base.y, -7 + k.lines[i].second);
        }
    }
}

TEST(TableDrawing, BordersOfAFullyBorderedTwoByTwoTable) {
    CellTable t = makeTable({8, 10}, {14, 6}, 15);
    calcCellDrawSizes(t, 1, 1, 1);
    const auto entities = draw(t, {}, false);
    EXPECT_EQ(linesOn(entities, kLayerBordLine), (std::vector<Seg>{{0, 0, 0, -20},
                                                                   {8, 0, 8, -20},
                                                                   {18, 0, 18, -20},
                                                                   {0, 0, 18, 0},
                                                                   {0, -14, 18, -14},
                                                                   {0, -20, 18, -20}}));
}

TEST(TableDrawing, BorderSelections) {
    struct Case {
        const char* what;
        std::uint8_t bits;
        std::vector<Seg> lines;
    };
    const Case cases[] = {
        {"top and bottom only",
         edgeTop | edgeBottom,
         {{0, 0, 18, 0}, {0, -14, 18, -14}, {0, -20, 18, -20}}},
        {"left only", edgeLeft, {{0, 0, 0, -20}, {8, 0, 8, -20}}},
        {"none", 0, {}},
    };
    for (const Case& k : cases) {
        CellTable t = makeTable({8, 10}, {14, 6}, k.bits);
        calcCellDrawSizes(t, 1, 1, 1);
        EXPECT_EQ(linesOn(draw(t, {}, false), kLayerBordLine), k.lines) << k.what;
    }
}

TEST(TableDrawing, BordersInsideARegionAreSuppressed) {
    CellTable t = makeTable({8, 10}, {14, 6}, 15);
    merge(t, 0, 0, 2, 2);
    calcCellDrawSizes(t, 1, 1, 1);
    EXPECT_EQ(
        linesOn(draw(t, {}, false), kLayerBordLine),
        (std::vector<Seg>{{0, 0, 0, -20}, {18, 0, 18, -20}, {0, 0, 18, 0}, {0, -20, 18, -20}}));
}

TEST(TableDrawing, AreaCutAtTheLeftLeavesItsNeighbourIntact) {
    // The first two cells of row 0 are the part inside the table of a merged area of 3 columns
    // that begins left of the selection; the third cell is plain and keeps its separators and
    // borders.
    CellTable t = makeTable({8, 8, 8}, {14}, 15);
    for (std::int32_t c = 0; c < 2; ++c) {
        TXlsxCellAttr& cell = t.at(c, 0);
        cell.cellMerge = true;
        cell.mergecolXscount = 3;
        cell.mergeLeft = 900;
    }
    calcCellDrawSizes(t, 1, 1, 1);
    const auto entities = draw(t, {{{2, 0}, u"x"}});
    EXPECT_EQ(kinds(entities), "SSSSOTBBBBB");
    EXPECT_EQ(
        linesOn(entities, kLayerCellLine),
        (std::vector<Seg>{{16, 0, 24, 0}, {0, -14, 24, -14}, {16, 0, 16, -14}, {24, 0, 24, -14}}));
    EXPECT_EQ(std::get<DrawnOutline>(entities[4]).corners[1].x, 16);
    EXPECT_EQ(
        linesOn(entities, kLayerBordLine),
        (std::vector<Seg>{
            {0, 0, 0, -14}, {16, 0, 16, -14}, {24, 0, 24, -14}, {0, 0, 24, 0}, {0, -14, 24, -14}}));
}

TEST(TableDrawing, EntityOrder) {
    CellTable t = makeTable({8, 10, 6}, {14, 6}, 15);
    merge(t, 1, 0, 2, 1);
    calcCellDrawSizes(t, 1, 1, 1);
    const auto entities = draw(t, {{{0, 0}, u"a"}, {{1, 0}, u"b\nc"}, {{2, 1}, u"d"}});
    // Row separators of rows 0 and 1 (row 0 stops at the region), bottom line, column
    // separators (columns 1 and 2 start below the region), right line; cells; vertical border
    // lines (at x = 18 only below the region), horizontal ones.
    EXPECT_EQ(kinds(entities),
              "SS"
              "S"
              "SSS"
              "S"
              "T"
              "OTT"
              "T"
              "BBBB"
              "BBB");
}

// A drawing of a few megabytes arrives in several pieces that make up the same file.
TEST(TableDrawing, StreamedFileIsTheBuiltList) {
    CellTable t =
        makeTable(std::vector<std::uint16_t>(150, 8), std::vector<std::uint16_t>(150, 10), 15);
    calcCellDrawSizes(t, 3, 0.43, 0.27);
    const CellTextFn text = [](std::int32_t c, std::int32_t r) {
        return u"セル" + std::u16string(1, static_cast<char16_t>(u'A' + (c + r) % 26));
    };
    std::vector<std::string> pieces;
    ASSERT_TRUE(streamTableDxf({t, text, 0.8, true},
                               [&](std::string_view piece) { pieces.emplace_back(piece); }));
    DxfLineList list;
    ASSERT_TRUE(buildTableDxf({t, text, 0.8, true}, list));
    EXPECT_GT(pieces.size(), 1u);
    std::string joined;
    for (const std::string& piece : pieces) joined += piece;
    EXPECT_EQ(joined, list.encoded());
    EXPECT_FALSE(streamTableDxf({CellTable{}, text, 0.8, true}, [](std::string_view) { FAIL(); }));
}

TEST(TableDrawing, SavedFileIsTheBuiltList) {
    const testing::TempDir dir;
    const auto path = dir.path() / "table.dxf";
    CellTable t = makeTable({8, 10}, {14, 6}, 15);
    calcCellDrawSizes(t, 3, 0.43, 0.27);
    const CellTextFn text = textsOf({{{0, 0}, u"日本語"}, {{1, 1}, u"¥100"}});
    ASSERT_TRUE(writeTableDxf({t, text, 0.8, true}, path));
    DxfLineList list;
    ASSERT_TRUE(buildTableDxf({t, text, 0.8, true}, list));
    const std::string bytes = platform::readWholeFile(path);
    EXPECT_EQ(bytes, list.encoded());
    EXPECT_NE(bytes.find("\r\n  1\r\n\\U+00A5100\r\n"), std::string::npos);
    EXPECT_NE(bytes.find(*platform::encodeCodePage(932, u"\r\n  1\r\n日本語\r\n")),
              std::string::npos);
}

}  // namespace
}  // namespace tabrova
