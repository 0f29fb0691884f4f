#include <gtest/gtest.h>

#include <array>
#include <functional>

#include "grid/CellGrid.h"
#include "grid/EditHistory.h"
#include "grid/StrConvUnit.h"
#include "grid/Unit3.h"
#include "sizing/CellGeometry.h"
#include "sizing/SizeDisplay.h"

namespace tabrova {
namespace {

// A table and its grid in memory, as the window holds them.
class FakeWindow : public EditTarget, public TextGrid {
public:
    CellTable cells;
    int gridCols = 0;
    int gridRows = 0;
    std::vector<std::u16string> texts;
    GridSelection sel{1, 1, 1, 1};
    std::u16string caption;

    // A read of a cols x rows range: every text starts with `letter`, every other cell empty.
    void read(int cols, int rows, char16_t letter) {
        cells.clear();
        cells.colCount = cols;
        cells.rowCount = rows;
        cells.cells.assign(static_cast<std::size_t>(cols * rows), TXlsxCellAttr{});
        gridCols = cols + 1;
        gridRows = rows + 1;
        texts.assign(static_cast<std::size_t>(gridCols * gridRows), u"");
        for (int r = 1; r < gridRows; ++r) {
            for (int c = 1; c < gridCols; ++c) {
                TXlsxCellAttr& cell = cells.at(c - 1, r - 1);
                cell.colW = static_cast<std::uint16_t>(8 + c);
                cell.rowH = 14;
                cell.txtSize = 11;
                cell.mergecolXscount = cell.mergerowYscount = 1;
                cell.str = (c + r) % 2 == 0 ? std::u16string(1, letter) + u"ab" : u"";
                texts[static_cast<std::size_t>(c + r * gridCols)] = cell.str;
            }
        }
        calcCellDrawSizes(cells, 10, 1.5, 0.8);
        caption = std::u16string(1, letter);
    }

    CellTable& table() override { return cells; }
    void setGridText(int col, int row, const std::u16string& text) override {
        texts.at(static_cast<std::size_t>(col + row * gridCols)) = text;
    }
    TableSnapshot snapshot() override {
        TableSnapshot s;
        s.table = cells;
        s.gridColCount = gridCols;
        s.gridRowCount = gridRows;
        s.gridTexts = texts;
        s.caption = caption;
        return s;
    }
    void restore(TableSnapshot s) override {
        cells = std::move(s.table);
        gridCols = s.gridColCount;
        gridRows = s.gridRowCount;
        texts = std::move(s.gridTexts);
        caption = std::move(s.caption);
    }

    GridSelection selection() const override { return sel; }
    std::u16string cellText(int col, int row) const override {
        return texts.at(static_cast<std::size_t>(col + row * gridCols));
    }
    void setCellText(int col, int row, const std::u16string& text) override {
        setGridText(col, row, text);
    }
};

// What a comparison of two states must see: table, shape, texts and caption.
struct State {
    std::vector<TXlsxCellAttr> cells;
    int cols, rows;
    std::vector<std::u16string> texts;
    std::u16string caption;
    bool operator==(const State&) const = default;
};
State stateOf(const FakeWindow& w) {
    return {w.cells.cells, w.cells.colCount, w.cells.rowCount, w.texts, w.caption};
}

std::u16string upper(const std::u16string& text) {
    std::u16string out = text;
    for (char16_t& ch : out)
        if (ch >= u'a' && ch <= u'z') ch = static_cast<char16_t>(ch - u'a' + u'A');
    return out;
}

TEST(EditHistory, EachKindOfStepIsUndoneAndRedoneAsOneStep) {
    using Action = std::function<void(FakeWindow&, EditHistory&)>;
    const struct {
        const char* name;
        Action act;
        GridSelection where;  // the selection undo and redo show
    } cases[] = {
        {"typing in the edit box, three keystrokes",
         [](FakeWindow& w, EditHistory& h) {
             for (const char16_t* text : {u"Xa", u"Xab", u"Xabc"}) {
                 h.record(cellTextStep(2, 1, w.cellText(2, 1), text, true));
                 w.setGridText(2, 1, text);
             }
         },
         {2, 1, 2, 1}},
        {"an edit in place",
         [](FakeWindow& w, EditHistory& h) {
             h.record(cellTextStep(3, 2, w.cellText(3, 2), u"new", false));
             w.setGridText(3, 2, u"new");
         },
         {3, 2, 3, 2}},
        {"a conversion over a selection with empty cells",
         [](FakeWindow& w, EditHistory& h) {
             w.sel = {1, 1, 3, 2};
             RecordingTextGrid grid(w);
             walkSelection(grid, upper);
             h.record(grid.step(EditKind::conversion));
         },
         {1, 1, 3, 2}},
        {"a replace",
         [](FakeWindow& w, EditHistory& h) {
             w.sel = {1, 1, 3, 3};
             RecordingTextGrid grid(w);
             ASSERT_GT(ReplaceInSelection(grid, u"a", u"qq"), 1);
             h.record(grid.step(EditKind::replace));
         },
         {1, 1, 3, 3}},
        {"a base point",
         [](FakeWindow& w, EditHistory& h) {
             EditStep step = tableChangeStep(EditKind::basePoint, w.cells, [&w] {
                 setTextAlign(w.cells, {2, 1, 3, 3}, alignRight);
             });
             step.selection = GridSelection{2, 1, 3, 3};
             h.record(std::move(step));
         },
         {2, 1, 3, 3}},
        {"a column width",
         [](FakeWindow& w, EditHistory& h) {
             EditStep step = tableChangeStep(EditKind::cellSize, w.cells, [&w] {
                 applyCellSize(w.cells, CellSizeField::width, 55, {2, 2, 2, 2});
             });
             step.selection = GridSelection{2, 2, 2, 2};
             h.record(std::move(step));
         },
         {2, 2, 2, 2}},
        {"two scale changes",
         [](FakeWindow& w, EditHistory& h) {
             for (double x : {20.0, 30.0}) {
                 EditStep step = tableChangeStep(EditKind::scales, w.cells,
                                                 [&w, x] { calcCellDrawSizes(w.cells, x, 2, 1); });
                 step.merge = MergeKey{EditKind::scales};
                 h.record(std::move(step));
             }
         },
         {-1, -1, -1, -1}},
        {"a read of another shape",
         [](FakeWindow& w, EditHistory& h) {
             EditStep step;
             step.kind = EditKind::read;
             step.other = w.snapshot();
             w.read(2, 5, u'k');
             h.record(std::move(step));
         },
         {-1, -1, -1, -1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindow w;
        w.read(3, 3, u'a');
        EditHistory history;
        const std::u16string original = w.cellText(1, 3);
        // An earlier step, which undoing the case's step must leave alone.
        history.record(cellTextStep(1, 3, w.cellText(1, 3), u"earlier", false));
        w.setGridText(1, 3, u"earlier");
        const State before = stateOf(w);
        c.act(w, history);
        const State after = stateOf(w);
        ASSERT_NE(before, after);
        ASSERT_EQ(history.undoCount(), 2u);

        const EditStep* undone = history.undo(w);
        ASSERT_NE(undone, nullptr);
        EXPECT_EQ(stateOf(w), before);
        const GridSelection shown = undone->selection.value_or(GridSelection{-1, -1, -1, -1});
        EXPECT_EQ((std::array{shown.left, shown.top, shown.right, shown.bottom}),
                  (std::array{c.where.left, c.where.top, c.where.right, c.where.bottom}));
        ASSERT_NE(history.redo(w), nullptr);
        EXPECT_EQ(stateOf(w), after);
        EXPECT_FALSE(history.canRedo());
        history.undo(w);
        history.undo(w);
        EXPECT_EQ(w.cellText(1, 3), original) << "the earlier step undone too";
        EXPECT_EQ(history.undo(w), nullptr);
        history.redo(w);
        history.redo(w);
        EXPECT_EQ(stateOf(w), after);
    }
}

TEST(EditHistory, ANewEditForgetsTheUndoneSteps) {
    FakeWindow w;
    w.read(2, 2, u'a');
    EditHistory history;
    for (const char16_t* text : {u"one", u"two"}) {
        history.record(cellTextStep(1, 1, w.cellText(1, 1), text, false));
        w.setGridText(1, 1, text);
    }
    history.undo(w);
    ASSERT_TRUE(history.canRedo());
    history.record(cellTextStep(2, 1, w.cellText(2, 1), u"three", false));
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.undoCount(), 2u);
    EXPECT_EQ(history.redo(w), nullptr);
}

TEST(EditHistory, TypingMergesOnlyWithinOneUnsealedEditOfOneCell) {
    FakeWindow w;
    w.read(2, 2, u'a');
    EditHistory history;
    auto type = [&](int col, const std::u16string& text) {
        history.record(cellTextStep(col, 1, w.cellText(col, 1), text, true));
        w.setGridText(col, 1, text);
    };
    const std::u16string first = w.cellText(1, 1);
    type(1, u"x");
    type(1, u"xy");
    EXPECT_EQ(history.undoCount(), 1u);
    type(2, u"z");  // another cell
    EXPECT_EQ(history.undoCount(), 2u);
    history.seal();  // the edit ended (the current cell moved, the box lost the focus)
    type(2, u"zz");
    EXPECT_EQ(history.undoCount(), 3u);
    history.undo(w);
    EXPECT_EQ(w.cellText(2, 1), u"z");
    type(2, u"z!");  // after an undo a new step starts
    EXPECT_EQ(history.undoCount(), 3u);
    history.seal();
    // Typed back to where it began: no step is left.
    type(1, u"xy!");
    type(1, u"xy");
    EXPECT_EQ(history.undoCount(), 3u);
    history.record(cellTextStep(1, 1, u"same", u"same", true));
    EXPECT_EQ(history.undoCount(), 3u) << "an edit that changes nothing";
    while (history.undo(w) != nullptr) {
    }
    EXPECT_EQ(w.cellText(1, 1), first);
}

TEST(EditHistory, StepsAndMemoryAreBounded) {
    FakeWindow w;
    w.read(2, 2, u'a');
    EditHistory byCount;
    for (int i = 0; i < 150; ++i) {
        const std::u16string text(1, static_cast<char16_t>(u'0' + i % 10));
        byCount.record(cellTextStep(1, 1, w.cellText(1, 1), text + u"#", false));
        w.setGridText(1, 1, text + u"#");
    }
    EXPECT_EQ(byCount.undoCount(), 100u);

    // A 30 x 200 table read again and again: the oldest reads go, the last one stays undoable.
    const HistoryLimits limits{100, std::size_t{8} << 20};
    EditHistory byBytes(limits);
    std::size_t largest = 0;
    for (int i = 0; i < 20; ++i) {
        EditStep step;
        step.kind = EditKind::read;
        step.other = w.snapshot();
        w.read(30, 200, static_cast<char16_t>(u'a' + i));
        largest = std::max(largest, step.bytes());
        byBytes.record(std::move(step));
        EXPECT_LE(byBytes.bytes(), limits.maxBytes + largest);
    }
    EXPECT_LT(byBytes.undoCount(), 20u);
    EXPECT_GE(byBytes.undoCount(), 1u);
    const std::size_t kept = byBytes.undoCount();
    for (std::size_t i = 0; i < kept; ++i) ASSERT_NE(byBytes.undo(w), nullptr);
    EXPECT_EQ(w.caption, std::u16string(1, static_cast<char16_t>(u'a' + 19 - kept)));
    EXPECT_EQ(w.cells.colCount, 30);

    // A single step over the budget is kept, and so is the step undone last.
    EditHistory tiny(HistoryLimits{100, 1});
    EditStep step;
    step.kind = EditKind::read;
    step.other = w.snapshot();
    w.read(3, 3, u'z');
    tiny.record(std::move(step));
    EXPECT_EQ(tiny.undoCount(), 1u);
    ASSERT_NE(tiny.undo(w), nullptr);
    EXPECT_EQ(w.cells.colCount, 30);
    EXPECT_TRUE(tiny.canRedo());
}

}  // namespace
}  // namespace tabrova
