#include "grid/EditHistory.h"

#include <algorithm>
#include <unordered_map>
#include <utility>

namespace tabrova {

namespace {

std::size_t textBytes(const std::u16string& text) {
    return sizeof(std::u16string) + text.size() * sizeof(char16_t);
}

std::size_t recordBytes(const TXlsxCellAttr& cell) {
    return sizeof(TXlsxCellAttr) + cell.str.size() * sizeof(char16_t);
}

std::size_t snapshotBytes(const TableSnapshot& s) {
    std::size_t n = sizeof(TableSnapshot);
    for (const TXlsxCellAttr& cell : s.table.cells) n += recordBytes(cell);
    for (const std::u16string& text : s.gridTexts) n += textBytes(text);
    n += (s.colWidths.size() + s.rowHeights.size()) * sizeof(int);
    return n + textBytes(s.caption) + textBytes(s.firstCell) + textBytes(s.lastCell) +
           textBytes(s.totals);
}

// Folds the changes of `later` into `step`: each place keeps its first `before` and takes the
// last `after`; places that end as they began drop out. Places are looked up by key, since a
// change of the scales touches every record of the table.
template <class Change, class KeyFn>
void mergeChanges(std::vector<Change>& into, std::vector<Change>&& later, KeyFn key) {
    std::unordered_map<std::uint64_t, std::size_t> at;
    for (std::size_t i = 0; i < into.size(); ++i) at.emplace(key(into[i]), i);
    for (Change& change : later) {
        const auto found = at.find(key(change));
        if (found == at.end()) {
            into.push_back(std::move(change));
        } else {
            into[found->second].after = std::move(change.after);
        }
    }
    std::erase_if(into, [](const Change& c) { return c.before == c.after; });
}

void mergeInto(EditStep& step, EditStep&& later) {
    mergeChanges(step.texts, std::move(later.texts), [](const TextChange& t) {
        return static_cast<std::uint64_t>(static_cast<std::uint32_t>(t.col)) << 32 |
               static_cast<std::uint32_t>(t.row);
    });
    mergeChanges(step.cells, std::move(later.cells),
                 [](const CellChange& c) { return static_cast<std::uint64_t>(c.index); });
}

enum class Side { before, after };

void apply(EditStep& step, EditTarget& target, Side side) {
    if (step.other) {
        TableSnapshot now = target.snapshot();
        target.restore(std::move(*step.other));
        step.other = std::move(now);
    }
    CellTable& table = target.table();
    auto setCell = [&](const CellChange& c) {
        if (c.index < table.cells.size())
            table.cells[c.index] = side == Side::before ? c.before : c.after;
    };
    auto setText = [&](const TextChange& t) {
        target.setGridText(t.col, t.row, side == Side::before ? t.before : t.after);
    };
    // Undone in the reverse order of doing.
    if (side == Side::before) {
        std::for_each(step.cells.rbegin(), step.cells.rend(), setCell);
        std::for_each(step.texts.rbegin(), step.texts.rend(), setText);
    } else {
        std::for_each(step.cells.begin(), step.cells.end(), setCell);
        std::for_each(step.texts.begin(), step.texts.end(), setText);
    }
}

}  // namespace

std::size_t EditStep::bytes() const {
    std::size_t n = sizeof(EditStep);
    for (const TextChange& t : texts)
        n += sizeof(TextChange) + textBytes(t.before) + textBytes(t.after);
    for (const CellChange& c : cells) {
        n += sizeof(std::size_t) + recordBytes(c.before) + recordBytes(c.after);
    }
    if (other) n += snapshotBytes(*other);
    return n;
}

EditStep cellTextStep(int col, int row, std::u16string before, std::u16string after, bool typing) {
    EditStep step;
    step.kind = EditKind::cellText;
    step.selection = GridSelection{col, row, col, row};
    if (typing) step.merge = MergeKey{EditKind::cellText, col, row};
    if (before != after) step.texts.push_back({col, row, std::move(before), std::move(after)});
    return step;
}

EditStep tableChangeStep(EditKind kind, CellTable& table, const std::function<void()>& change) {
    const std::vector<TXlsxCellAttr> before = table.cells;
    change();
    EditStep step;
    step.kind = kind;
    const std::size_t count = std::min(before.size(), table.cells.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (!(before[i] == table.cells[i])) step.cells.push_back({i, before[i], table.cells[i]});
    }
    return step;
}

void RecordingTextGrid::setCellText(int col, int row, const std::u16string& text) {
    std::u16string before = grid_.cellText(col, row);
    grid_.setCellText(col, row, text);
    if (before != text) changes_.push_back({col, row, std::move(before), text});
}

EditStep RecordingTextGrid::step(EditKind kind) const {
    EditStep step;
    step.kind = kind;
    step.selection = grid_.selection();
    step.texts = changes_;
    return step;
}

void EditHistory::record(EditStep step) {
    if (step.empty()) return;
    for (const EditStep& undone : undone_) bytes_ -= undone.bytes();
    undone_.clear();
    if (open_ && step.merge && !done_.empty() && done_.back().merge == step.merge) {
        EditStep& top = done_.back();
        bytes_ -= top.bytes();
        mergeInto(top, std::move(step));
        if (top.empty()) {
            done_.pop_back();
            open_ = false;
        } else {
            bytes_ += top.bytes();
        }
        trim(false);
        return;
    }
    open_ = step.merge.has_value();
    bytes_ += step.bytes();
    done_.push_back(std::move(step));
    trim(false);
}

const EditStep* EditHistory::undo(EditTarget& target) {
    open_ = false;
    if (done_.empty()) return nullptr;
    EditStep step = std::move(done_.back());
    done_.pop_back();
    bytes_ -= step.bytes();
    apply(step, target, Side::before);
    bytes_ += step.bytes();
    undone_.push_back(std::move(step));
    trim(true);
    return &undone_.back();
}

const EditStep* EditHistory::redo(EditTarget& target) {
    open_ = false;
    if (undone_.empty()) return nullptr;
    EditStep step = std::move(undone_.back());
    undone_.pop_back();
    bytes_ -= step.bytes();
    apply(step, target, Side::after);
    bytes_ += step.bytes();
    done_.push_back(std::move(step));
    trim(false);
    return &done_.back();
}

void EditHistory::clear() {
    done_.clear();
    undone_.clear();
    bytes_ = 0;
    open_ = false;
}

void EditHistory::trim(bool keepUndone) {
    // The oldest done steps go first, then the farthest undone ones; the step just recorded,
    // undone or redone stays.
    while (done_.size() + undone_.size() > limits_.maxSteps || bytes_ > limits_.maxBytes) {
        if (!done_.empty() && (done_.size() > 1 || keepUndone)) {
            bytes_ -= done_.front().bytes();
            done_.pop_front();
        } else if (!undone_.empty() && (undone_.size() > 1 || !keepUndone)) {
            bytes_ -= undone_.front().bytes();
            undone_.pop_front();
        } else {
            break;
        }
    }
}

}  // namespace tabrova
