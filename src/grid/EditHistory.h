// Undo and redo of the changes the user makes to the grid's texts and to the cell table: edits of
// a cell's text, conversions and replacements over a selection, base points, sizes, and a read
// that replaces the whole table.
//
// Each step keeps what it changed, before and after: a grid text, a table record, or for a read
// the whole table with the grid on the side the table is not on now. Undo and redo always run
// from the newest step back and forward again, so the state a step meets is the one it left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "grid/SelectionWalk.h"
#include "table/CellTable.h"

namespace tabrova {

// What a step did, as the user named it.
enum class EditKind {
    cellText,    // an edit of one cell's text, in place or in the edit box
    conversion,  // a width conversion of the pop-up menu
    replace,
    basePoint,
    cellSize,  // a column width, row height or text height set in the size boxes
    scales,    // the drawing sizes computed anew from the scales
    read,      // the table replaced by a read
};

// Grid cell (col, row) changed its text.
struct TextChange {
    int col = 0;
    int row = 0;
    std::u16string before;
    std::u16string after;
};

// The table record cells[index] changed.
struct CellChange {
    std::size_t index = 0;
    TXlsxCellAttr before;
    TXlsxCellAttr after;
};

// Everything a read replaces: the table, the grid's shape, sizes and texts (fixed cells
// included), and the window's words about where the table came from.
struct TableSnapshot {
    CellTable table;
    int gridColCount = 0;
    int gridRowCount = 0;
    std::vector<std::u16string> gridTexts;  // [col + row * gridColCount]
    std::vector<int> colWidths;             // by grid column
    std::vector<int> rowHeights;            // by grid row
    std::u16string caption;
    std::u16string firstCell;
    std::u16string lastCell;
    std::u16string totals;
};

// Steps recorded one after another with equal keys, and no seal between them, become one: the
// keystrokes of one edit of a cell, the changes of the scale boxes.
struct MergeKey {
    EditKind kind = EditKind::cellText;
    int col = 0;
    int row = 0;
    bool operator==(const MergeKey&) const = default;
};

struct EditStep {
    EditKind kind = EditKind::cellText;
    // The grid selection the change was made on; undo and redo select it again.
    std::optional<GridSelection> selection;
    std::optional<MergeKey> merge;
    std::vector<TextChange> texts;
    std::vector<CellChange> cells;
    // A read: the table and grid on the other side of the step (before it while it is done,
    // after it while it is undone).
    std::optional<TableSnapshot> other;

    bool empty() const { return texts.empty() && cells.empty() && !other; }
    // An estimate of the memory the step holds.
    std::size_t bytes() const;
};

// What undo and redo change: the window's table and grid, or a stand-in in the tests.
class EditTarget {
public:
    virtual ~EditTarget() = default;
    virtual CellTable& table() = 0;
    virtual void setGridText(int col, int row, const std::u16string& text) = 0;
    // The whole state now, and its replacement by a snapshot.
    virtual TableSnapshot snapshot() = 0;
    virtual void restore(TableSnapshot state) = 0;
};

// One edit of one cell's text. Typing (keystrokes in the edit box) merges into the open step of
// the same cell.
EditStep cellTextStep(int col, int row, std::u16string before, std::u16string after, bool typing);

// The records that `change` alters in the table, which keeps its shape, as a step of `kind`.
EditStep tableChangeStep(EditKind kind, CellTable& table, const std::function<void()>& change);

// A TextGrid that passes everything to another one and notes each text it changes: the walk of
// a conversion or a replace through it gives the step that undoes it.
class RecordingTextGrid : public TextGrid {
public:
    explicit RecordingTextGrid(TextGrid& grid) : grid_(grid) {}
    GridSelection selection() const override { return grid_.selection(); }
    std::u16string cellText(int col, int row) const override { return grid_.cellText(col, row); }
    void setCellText(int col, int row, const std::u16string& text) override;
    // The changes noted so far, as a step of `kind` on the selection.
    EditStep step(EditKind kind) const;

private:
    TextGrid& grid_;
    std::vector<TextChange> changes_;
};

struct HistoryLimits {
    std::size_t maxSteps = 100;
    // The oldest steps go when the steps together hold more; the newest step stays whatever
    // its size, so that the last read can always be undone.
    std::size_t maxBytes = std::size_t{64} << 20;
};

class EditHistory {
public:
    explicit EditHistory(HistoryLimits limits = {}) : limits_(limits) {}

    // Adds a step just done and forgets the steps undone before it. An empty step changes
    // nothing; a step whose merge key equals the open newest step's joins it.
    void record(EditStep step);
    // The newest step takes no more merges (the edit of a cell has ended).
    void seal() { open_ = false; }
    // Undoes the newest step, or redoes the step undone last, on the target. Returns the step
    // (for the selection and the kind of change to show), or nullptr when there is none.
    const EditStep* undo(EditTarget& target);
    const EditStep* redo(EditTarget& target);

    bool canUndo() const { return !done_.empty(); }
    bool canRedo() const { return !undone_.empty(); }
    std::size_t undoCount() const { return done_.size(); }
    std::size_t redoCount() const { return undone_.size(); }
    std::size_t bytes() const { return bytes_; }
    void clear();

private:
    // Drops steps beyond the limits, never the newest done step, nor with keepUndone the step
    // undone last.
    void trim(bool keepUndone);

    HistoryLimits limits_;
    std::deque<EditStep> done_;    // oldest first
    std::deque<EditStep> undone_;  // the next to redo last
    std::size_t bytes_ = 0;
    bool open_ = false;
};

}  // namespace tabrova
