// What the tool keeps of a read: the grid that shows its progress on a terminal, and the
// cells' texts packed into one block for the drawing.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "table/CellTable.h"
#include "table/SelectionReader.h"

namespace tabrova::cli {

// The texts of a table's cells in one block: a string per cell costs an allocation and its
// bookkeeping each, which on a large table adds up to more than the texts themselves. Each cell's
// text is moved out of the table as it is packed, so that the texts are never held twice over.
class PackedTexts {
public:
    explicit PackedTexts(CellTable& table) : cols_(table.colCount) {
        std::size_t total = 0;
        for (const TXlsxCellAttr& cell : table.cells) total += cell.str.size();
        chars_.reserve(total);
        ends_.reserve(table.cells.size());
        for (TXlsxCellAttr& cell : table.cells) {
            chars_ += cell.str;
            ends_.push_back(chars_.size());
            std::u16string().swap(cell.str);
        }
    }
    std::u16string_view text(std::int32_t col, std::int32_t row) const {
        const std::size_t i = static_cast<std::size_t>(col) + static_cast<std::size_t>(row) * cols_;
        const std::size_t begin = i == 0 ? 0 : ends_[i - 1];
        return std::u16string_view(chars_).substr(begin, ends_[i] - begin);
    }

private:
    std::int32_t cols_;
    std::u16string chars_;
    std::vector<std::size_t> ends_;
};

// The grid in memory, showing the read's progress on a terminal once it takes over a second.
class ProgressGrid : public GridContents {
public:
    ProgressGrid(std::ostream& err, bool show) : err_(err), show_(show) {}
    ~ProgressGrid() override { finish(); }

    void advanceProgress() override {
        GridContents::advanceProgress();
        if (!show_) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - start_ < std::chrono::seconds(1) ||
            now - lastDrawn_ < std::chrono::milliseconds(100)) {
            return;
        }
        lastDrawn_ = now;
        const int width = 30;
        const int filled =
            progressMax > 0
                ? static_cast<int>(static_cast<long long>(progress) * width / progressMax)
                : 0;
        err_ << "\rreading row " << progress << " / " << progressMax << " ["
             << std::string(static_cast<std::size_t>(filled), '#')
             << std::string(static_cast<std::size_t>(width - filled), '-') << "]" << std::flush;
        drawn_ = true;
    }

    // The reader gives each cell's text to the grid and keeps it in the table: here, where
    // nothing edits the grid, the table's copy is the only one (a long text in many cells would
    // otherwise be held twice over). The headers stay in the grid.
    void setCellText(std::int32_t col, std::int32_t row, const std::u16string& text) override {
        if (col > 0 && row > 0) return;
        GridContents::setCellText(col, row, text);
    }

    void finish() {
        if (!drawn_) return;
        err_ << "\r" << std::string(60, ' ') << "\r" << std::flush;
        drawn_ = false;
    }

private:
    std::ostream& err_;
    bool show_;
    bool drawn_ = false;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point lastDrawn_{};
};

}  // namespace tabrova::cli
