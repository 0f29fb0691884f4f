#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include "grid/SelectionWalk.h"
#include "grid/StrConvUnit.h"
#include "grid/Unit3.h"

namespace tabrova {
namespace {

class FakeGrid : public TextGrid {
public:
    FakeGrid(GridSelection sel, std::map<std::pair<int, int>, std::u16string> cells)
        : sel_(sel), cells_(std::move(cells)) {}

    GridSelection selection() const override { return sel_; }
    std::u16string cellText(int col, int row) const override {
        const auto it = cells_.find({col, row});
        return it == cells_.end() ? std::u16string() : it->second;
    }
    void setCellText(int col, int row, const std::u16string& text) override {
        writes.push_back({col, row});
        cells_[{col, row}] = text;
    }

    std::vector<std::pair<int, int>> writes;

private:
    GridSelection sel_;
    std::map<std::pair<int, int>, std::u16string> cells_;
};

TEST(SelectionWalk, RowsTopDownColumnsLeftToRightSkippingEmptyCells) {
    FakeGrid grid({2, 1, 3, 2}, {{{2, 1}, u"a"},
                                 {{3, 1}, u""},
                                 {{2, 2}, u"b"},
                                 {{3, 2}, u"c"},
                                 {{1, 1}, u"outside"},
                                 {{2, 3}, u"outside"}});
    std::vector<std::u16string> seen;
    const int n = walkSelection(grid, [&](const std::u16string& t) {
        seen.push_back(t);
        return t;  // unchanged texts are written back all the same
    });
    EXPECT_EQ(n, 3);
    EXPECT_EQ(seen, (std::vector<std::u16string>{u"a", u"b", u"c"}));
    EXPECT_EQ(grid.writes, (std::vector<std::pair<int, int>>{{2, 1}, {2, 2}, {3, 2}}));
    EXPECT_EQ(grid.cellText(3, 1), u"");
    EXPECT_EQ(grid.cellText(1, 1), u"outside");
}

TEST(SelectionWalk, ConvertsEveryCellOfAColumnAndLeavesEmptyGridAlone) {
    FakeGrid column({1, 1, 1, 3}, {{{1, 1}, u"ｶﾞ"}, {{1, 2}, u"ｱ"}, {{1, 3}, u"ﾊﾟ"}});
    walkSelection(column, HalfKanaToFull);
    EXPECT_EQ(column.cellText(1, 1), u"ガ");
    EXPECT_EQ(column.cellText(1, 2), u"ア");
    EXPECT_EQ(column.cellText(1, 3), u"パ");

    FakeGrid empty({1, 1, 5, 5}, {});
    EXPECT_EQ(walkSelection(empty, [](const std::u16string& t) { return StrToFullWidth(t); }), 0);
    EXPECT_TRUE(empty.writes.empty());
}

TEST(Replace, FirstOccurrenceOnlyExactAndLiteral) {
    struct Case {
        const char16_t* text;
        const char16_t* search;
        const char16_t* replacement;
        const char16_t* expected;
    };
    for (const Case& c : std::initializer_list<Case>{
             {u"banana", u"an", u"on", u"bonana"},
             {u"ABC", u"abc", u"x", u"ABC"},
             {u"banana", u"an", u"", u"bana"},
             {u"banana", u"", u"x", u"banana"},
             {u"banana", u"a", u"aa", u"baanana"},  // not searched again
             {u"ａＡ", u"Ａ", u"a", u"ａa"},
             {u"x", u"xy", u"z", u"x"},
         }) {
        EXPECT_EQ(ReplaceFirst(c.text, c.search, c.replacement), std::u16string(c.expected))
            << std::u16string(c.text).size();
    }
}

TEST(Replace, CountsTheCellsWhoseTextChangedAndReports) {
    const struct {
        const char16_t* search;
        const char16_t* replacement;
        int count;
        std::vector<std::u16string> after;
    } cases[] = {
        {u"an", u"on", 1, {u"bonana", u"", u"apple", u"", u"cherry"}},
        {u"a", u"o", 2, {u"bonana", u"", u"opple", u"", u"cherry"}},
        {u"ZZZ", u"x", 0, {u"banana", u"", u"apple", u"", u"cherry"}},  // found nowhere
        {u"an", u"an", 0, {u"banana", u"", u"apple", u"", u"cherry"}},  // found, unchanged
        {u"", u"x", 0, {u"banana", u"", u"apple", u"", u"cherry"}},
    };
    for (const auto& c : cases) {
        FakeGrid grid({1, 1, 5, 1}, {{{1, 1}, u"banana"},
                                     {{2, 1}, u""},
                                     {{3, 1}, u"apple"},
                                     {{4, 1}, u""},
                                     {{5, 1}, u"cherry"}});
        EXPECT_EQ(ReplaceInSelection(grid, c.search, c.replacement), c.count)
            << std::u16string(c.search).size();
        std::vector<std::u16string> after;
        for (int col = 1; col <= 5; ++col) after.push_back(grid.cellText(col, 1));
        EXPECT_EQ(after, c.after);
    }
    EXPECT_EQ(ReplaceReport(3), u"3 個の文字列を置換しました.");
    EXPECT_EQ(ReplaceReport(0), u"0 個の文字列を置換しました.");
    EXPECT_EQ(ReplaceReport(1024), u"1024 個の文字列を置換しました.");
}

}  // namespace
}  // namespace tabrova
