#include <gtest/gtest.h>

#include <functional>

#include "grid/CellGrid.h"
#include "grid/EditHistory.h"
#include "grid/Unit3.h"
#include "table/CellGeometry.h"

namespace tabrova {
namespace {

// A table and its grid in memory, as the window holds them.
struct FakeWindow : EditTarget, TextGrid {
    CellTable cells;
    int gridCols = 0;
    std::vector<std::u16string> texts;
    GridSelection sel{1, 1, 3, 2};

    // A read of cols x rows cells, every text starting with `letter`.
    void read(int cols, int rows, char16_t letter) {
        cells.clear();
        cells.colCount = cols;
        cells.rowCount = rows;
        cells.cells.assign(static_cast<std::size_t>(cols * rows), TXlsxCellAttr{});
        for (TXlsxCellAttr& cell : cells.cells) cell.colW = cell.rowH = cell.txtSize = 10;
        calcCellDrawSizes(cells, 10, 1.5, 0.8);
        gridCols = cols + 1;
        texts.assign(static_cast<std::size_t>(gridCols * (rows + 1)), std::u16string(1, letter));
    }
    CellTable& table() override { return cells; }
    void setGridText(int col, int row, const std::u16string& text) override {
        texts.at(static_cast<std::size_t>(col + row * gridCols)) = text;
    }
    TableSnapshot snapshot() override {
        TableSnapshot s;
        s.table = cells;
        s.gridColCount = gridCols;
        s.gridTexts = texts;
        return s;
    }
    void restore(TableSnapshot s) override {
        cells = std::move(s.table);
        gridCols = s.gridColCount;
        texts = std::move(s.gridTexts);
    }
    GridSelection selection() const override { return sel; }
    std::u16string cellText(int col, int row) const override {
        return texts.at(static_cast<std::size_t>(col + row * gridCols));
    }
    void setCellText(int col, int row, const std::u16string& text) override {
        setGridText(col, row, text);
    }
    auto state() const { return std::tuple(cells.cells, cells.colCount, texts); }
};

void typeInto(FakeWindow& w, EditHistory& h, int col, const std::u16string& text) {
    h.record(cellTextStep(col, 1, w.cellText(col, 1), text, true));
    w.setGridText(col, 1, text);
}

EditStep readStep(FakeWindow& w, int cols, int rows, char16_t letter) {
    EditStep step;
    step.kind = EditKind::read;
    step.other = w.snapshot();
    w.read(cols, rows, letter);
    return step;
}

TEST(EditHistory, EachKindOfStepIsUndoneAndRedoneAsOneStep) {
    using Action = std::function<void(FakeWindow&, EditHistory&)>;
    const struct {
        const char* name;
        Action act;
    } cases[] = {
        {"three keystrokes in one cell",
         [](FakeWindow& w, EditHistory& h) {
             for (const char16_t* text : {u"x", u"xy", u"xyz"}) typeInto(w, h, 2, text);
         }},
        {"an edit in place",
         [](FakeWindow& w, EditHistory& h) {
             h.record(cellTextStep(3, 2, w.cellText(3, 2), u"new", false));
             w.setGridText(3, 2, u"new");
         }},
        {"a replace over a selection",
         [](FakeWindow& w, EditHistory& h) {
             RecordingTextGrid grid(w);
             ReplaceInSelection(grid, u"a", u"qq");
             h.record(grid.step(EditKind::replace));
         }},
        {"a base point",
         [](FakeWindow& w, EditHistory& h) {
             h.record(tableChangeStep(EditKind::basePoint, w.cells,
                                      [&w] { setTextAlign(w.cells, w.sel, alignRight); }));
         }},
        {"two scale changes",
         [](FakeWindow& w, EditHistory& h) {
             for (double x : {20.0, 30.0}) {
                 EditStep step = tableChangeStep(EditKind::scales, w.cells,
                                                 [&w, x] { calcCellDrawSizes(w.cells, x, 2, 1); });
                 step.merge = MergeKey{EditKind::scales};
                 h.record(std::move(step));
             }
         }},
        {"a read of another shape",
         [](FakeWindow& w, EditHistory& h) { h.record(readStep(w, 2, 5, u'k')); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeWindow w;
        w.read(3, 3, u'a');
        EditHistory history;
        const auto start = w.state();
        typeInto(w, history, 1, u"earlier");  // a step the case's undo leaves alone
        history.seal();
        const auto before = w.state();
        c.act(w, history);
        const auto after = w.state();
        ASSERT_NE(before, after);
        ASSERT_EQ(history.undoCount(), 2u);

        ASSERT_NE(history.undo(w), nullptr);
        EXPECT_EQ(w.state(), before);
        ASSERT_NE(history.redo(w), nullptr);
        EXPECT_EQ(w.state(), after);
        EXPECT_EQ(history.redo(w), nullptr);
        history.undo(w);
        history.undo(w);
        EXPECT_EQ(w.state(), start);
        EXPECT_EQ(history.undo(w), nullptr);
    }
}

TEST(EditHistory, TypingMergesUntilSealedAndANewStepForgetsTheUndoneOnes) {
    FakeWindow w;
    w.read(2, 2, u'a');
    EditHistory history;
    typeInto(w, history, 1, u"x");
    typeInto(w, history, 1, u"xy");
    typeInto(w, history, 2, u"z");  // another cell: another step
    history.seal();                 // the current cell moved, or the box was left
    typeInto(w, history, 2, u"zz");
    EXPECT_EQ(history.undoCount(), 3u);
    typeInto(w, history, 2, u"zzz");
    typeInto(w, history, 2, u"z");  // typed back to where it began: the step goes
    EXPECT_EQ(history.undoCount(), 2u);

    const EditStep* undone = history.undo(w);
    ASSERT_NE(undone, nullptr);
    ASSERT_TRUE(undone->selection);
    EXPECT_EQ(undone->selection->left, 2) << "the cell to show";
    EXPECT_EQ(w.cellText(2, 1), u"a");
    typeInto(w, history, 2, u"new");  // after an undo: a new step, and no redo
    EXPECT_FALSE(history.canRedo());
    EXPECT_EQ(history.undoCount(), 2u);
}

TEST(EditHistory, StepsAndMemoryAreBounded) {
    FakeWindow w;
    w.read(2, 2, u'a');
    EditHistory byCount;
    for (int i = 0; i < 150; ++i) {
        byCount.record(cellTextStep(1, 1, w.cellText(1, 1), std::u16string(i + 1, u'#'), false));
        w.setGridText(1, 1, std::u16string(i + 1, u'#'));
    }
    EXPECT_EQ(byCount.undoCount(), 100u);

    // A 30 x 200 table read again and again: the oldest reads go, the newest can be undone.
    const HistoryLimits limits{100, std::size_t{8} << 20};
    EditHistory byBytes(limits);
    for (int i = 0; i < 20; ++i) {
        byBytes.record(readStep(w, 30, 200, static_cast<char16_t>(u'a' + i)));
        EXPECT_LE(byBytes.bytes(), limits.maxBytes);
    }
    const std::size_t kept = byBytes.undoCount();
    EXPECT_GE(kept, 2u);
    EXPECT_LT(kept, 20u);
    while (byBytes.undo(w) != nullptr) {
    }
    EXPECT_EQ(w.texts[0], std::u16string(1, static_cast<char16_t>(u'a' + 19 - kept)));

    // A step over the budget on its own is kept, and so is the step undone last.
    EditHistory tiny(HistoryLimits{100, 1});
    tiny.record(readStep(w, 3, 3, u'z'));
    ASSERT_NE(tiny.undo(w), nullptr);
    EXPECT_EQ(w.cells.colCount, 30);
    EXPECT_TRUE(tiny.canRedo());
}

}  // namespace
}  // namespace tabrova
