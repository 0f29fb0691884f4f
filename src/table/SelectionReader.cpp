#include "table/SelectionReader.h"

#include <cmath>
#include <limits>

#include "table/CellAddress.h"
#include "table/CellGeometry.h"
#include "table/ExcelCellSource.h"

namespace tabrova {
namespace {

std::u16string decimal(std::int64_t n) {
    const std::string digits = std::to_string(n);
    return std::u16string(digits.begin(), digits.end());
}

// Rounded to nearest with ties to even, keeping the low 16 bits. member names the fact for the
// message when the number does not fit at all.
std::uint16_t roundedWord(double value, std::u16string_view member) {
    const double rounded = std::nearbyint(value);
    if (!(std::fabs(rounded) < 9.2e18)) {
        throw SourceError(std::u16string(member), u"オーバーフローしました.");
    }
    return static_cast<std::uint16_t>(
        static_cast<std::uint64_t>(static_cast<std::int64_t>(rounded)) & 0xFFFF);
}

std::uint16_t countWord(std::int64_t count) {
    return static_cast<std::uint16_t>(static_cast<std::uint64_t>(count) & 0xFFFF);
}

// Grid pixels: the truncation toward zero of units × scale.
std::int32_t pixels(std::uint16_t units, double scale) {
    const double value = std::trunc(units * scale);
    if (!(value > std::numeric_limits<std::int32_t>::min())) return 0;  // also NaN
    if (value > std::numeric_limits<std::int32_t>::max()) {
        return std::numeric_limits<std::int32_t>::max();
    }
    return static_cast<std::int32_t>(value);
}

// The table's record of a cell's facts.
TXlsxCellAttr recordOf(CellFacts&& facts) {
    TXlsxCellAttr rec;
    rec.colW = roundedWord(facts.columnWidth, u"ColumnWidth");
    rec.rowH = roundedWord(facts.rowHeight, u"RowHeight");
    rec.txtAlign = facts.horizontal;
    if (rec.txtAlign == alignNone && facts.numericValue) rec.txtAlign = alignRight;
    rec.txtSize = roundedWord(facts.fontSize, u"Font.Size");
    rec.str = std::move(facts.text);
    rec.lineBits = facts.lineBits;
    rec.edgeStyles = facts.edgeStyles;
    rec.cellMerge = facts.merged;
    rec.mergerowYscount = countWord(facts.mergeRows);
    rec.mergecolXscount = countWord(facts.mergeCols);
    rec.mergeLeft = roundedWord(facts.mergeLeft, u"MergeArea.Left");
    rec.mergeTop = roundedWord(facts.mergeTop, u"MergeArea.Top");
    rec.txtPlace = facts.txtPlace;
    rec.wrapText = facts.wrapText;
    rec.shrinkToFit = facts.shrinkToFit;
    return rec;
}

// Ends the grid update however the read ends.
class GridUpdate {
public:
    explicit GridUpdate(SelectionReadView& view) : view_(view) { view_.beginGridUpdate(); }
    ~GridUpdate() { view_.endGridUpdate(); }
    GridUpdate(const GridUpdate&) = delete;
    GridUpdate& operator=(const GridUpdate&) = delete;

private:
    SelectionReadView& view_;
};

std::u16string stoppedMessage(const SelectionReadResult& r) {
    if (r.stopCell.empty()) {
        return u"Excel から " + r.stopMember +
               u" を読み取れなかったため、取得を止めました.\n理由: " + r.errorText;
    }
    return u"セル " + r.stopCell + u" の " + r.stopMember +
           u" を読み取れなかったため、取得を途中で止めました.\n理由: " + r.errorText +
           u"\n読み取れたセルまでを表示しています. 残りのセルは空にしました.";
}

void stop(SelectionReadResult& result, const SourceError& e, std::u16string cell = {}) {
    result.status = SelectionReadStatus::stopped;
    result.stopCell = std::move(cell);
    result.stopMember = e.member();
    result.errorText = e.reason();
    result.message = stoppedMessage(result);
}

}  // namespace

std::u16string attachFailedMessage(std::u16string_view progId) {
    return u"ProgId : " + std::u16string(progId) + u" は無効です.";
}

SelectionReadResult readSelection(const SelectionReadSettings& settings, CellTable& table,
                                  SelectionReadView& view) {
    ExcelCellSource source(settings.progId, settings.decimalSeparator, settings.cellByCellOptions);
    return readSelection(settings, source, table, view);
}

SelectionReadResult readSelection(const SelectionReadSettings& settings, SelectionSource& source,
                                  CellTable& table, SelectionReadView& view) {
    SelectionReadResult result;
    SourceOpening opening;
    try {
        opening = source.open();
    } catch (const SourceError& e) {
        result.enableInsert = true;
        stop(result, e);
        return result;
    }
    if (opening.state == SourceState::attachFailed) {
        result.status = SelectionReadStatus::attachFailed;
        result.message =
            opening.message.empty() ? attachFailedMessage(settings.progId) : opening.message;
        return result;
    }
    // From here on, whatever happens, the insert button is enabled again afterwards.
    result.enableInsert = true;
    if (opening.state == SourceState::noWorkbook) {
        result.status = SelectionReadStatus::noWorkbook;
        result.message = u"Excel で開いているブックがないため、取得できませんでした.";
        return result;
    }
    view.showCaption(opening.workbookName + u" [" + opening.sheetName + u"]");
    SelectionRange sel;
    try {
        sel = source.range();
        if (sel.rowCount < 1 || sel.colCount < 1 || sel.firstRow < 1 || sel.firstCol < 1) {
            throw SourceError(u"Selection", u"選択範囲がセルの範囲ではありません.");
        }
    } catch (const SourceError& e) {
        stop(result, e);
        return result;
    }
    const std::int64_t rows = sel.rowCount;
    const std::int64_t cols = sel.colCount;
    const std::int64_t firstRow = sel.firstRow;
    const std::int64_t firstCol = sel.firstCol;
    view.showRange(CellAddress(firstCol, firstRow),
                   CellAddress(firstCol + cols - 1, firstRow + rows - 1));

    // Rows and columns each fit 32 bits; their product may not.
    const std::int64_t maxCells =
        std::min<std::int64_t>(settings.maxCells, std::numeric_limits<std::int32_t>::max() - 1);
    if (rows > maxCells || cols > maxCells || rows * cols > maxCells) {
        result.status = SelectionReadStatus::tooLarge;
        result.message = u"選択範囲が大きすぎるため、取得できません (" + decimal(cols) + u" 列 × " +
                         decimal(rows) + u" 行).\n一度に取得できるのは " + decimal(maxCells) +
                         u" セルまでです.";
        return result;
    }
    try {
        source.beginCells();
    } catch (const SourceError& e) {
        stop(result, e);
        return result;
    }

    const auto colCount = static_cast<std::int32_t>(cols);
    const auto rowCount = static_cast<std::int32_t>(rows);
    // The first grid cell whose record was not stored, and whether its row header is written.
    std::int32_t stopRow = rowCount + 1;
    std::int32_t stopCol = 1;
    bool stopRowHeaderWritten = false;
    {
        GridUpdate update(view);
        view.setColWidth(0, 70);
        view.setGridSize(colCount + 1, rowCount + 1);
        view.startProgress(rowCount);
        view.setCurrentCell(1, 1);
        // Fresh records throughout: cells that a stopped read does not reach hold nothing of the
        // previous table.
        table.cells.assign(static_cast<std::size_t>(rows * cols), TXlsxCellAttr{});
        table.colCount = colCount;
        table.rowCount = rowCount;
        table.unreadFacts = source.unreadFacts();
        result.tableReplaced = true;

        std::int32_t gr = 1;
        std::int32_t gc = 1;
        try {
            for (gr = 1; gr <= rowCount; ++gr) {
                view.showRowCounter(decimal(gr) + u" / " + decimal(rowCount));
                view.advanceProgress();
                // The message loop may run anything, including what empties the table; the read
                // ends when it asks to or when the table is no longer the one being filled.
                const bool goOn = view.pumpMessages();
                if (!goOn || table.cells.size() != static_cast<std::size_t>(rows * cols) ||
                    table.colCount != colCount || table.rowCount != rowCount) {
                    result.status = SelectionReadStatus::cancelled;
                    result.message = u"取得を中断しました.";
                    stopRow = gr;
                    stopCol = 1;
                    break;
                }
                const std::int64_t row = firstRow + gr - 1;
                view.setCellText(0, gr, decimal(row));
                for (gc = 1; gc <= colCount; ++gc) {
                    const std::int64_t col = firstCol + gc - 1;
                    TXlsxCellAttr rec = recordOf(source.cell(row, col));
                    if (gr == 1) {
                        view.setColWidth(gc, pixels(rec.colW, settings.colXsc));
                        view.setCellText(gc, 0, ColNumToLetters(col));
                    }
                    if (gc == 1) view.setRowHeight(gr, pixels(rec.rowH, settings.rowYsc));
                    view.setCellText(gc, gr, rec.str);
                    table.at(gc - 1, gr - 1) = std::move(rec);
                    ++result.cellsRead;
                }
            }
        } catch (const SourceError& e) {
            stop(result, e, CellAddress(firstCol + gc - 1, firstRow + gr - 1));
            stopRow = gr;
            stopCol = gc;
            stopRowHeaderWritten = true;
        }

        // The cells from the one where the read ended: empty texts, and headers that name the
        // new selection.
        for (std::int32_t r = stopRow; r <= rowCount; ++r) {
            if (r > stopRow || !stopRowHeaderWritten)
                view.setCellText(0, r, decimal(firstRow + r - 1));
            for (std::int32_t c = r == stopRow ? stopCol : 1; c <= colCount; ++c) {
                view.setCellText(c, r, u"");
                if (r == 1) view.setCellText(c, 0, ColNumToLetters(firstCol + c - 1));
            }
        }
    }
    view.resetProgress();
    calcCellDrawSizes(table, settings.cadXsc, settings.cadYsc, settings.cadTsc);
    return result;
}

const std::u16string& GridContents::text(std::int32_t col, std::int32_t row) const {
    return texts.at(static_cast<std::size_t>(col) + static_cast<std::size_t>(row) * colCount);
}

void GridContents::setGridSize(std::int32_t cols, std::int32_t rows) {
    std::vector<std::u16string> resized(static_cast<std::size_t>(cols) * rows);
    for (std::int32_t r = 0; r < std::min(rows, rowCount); ++r) {
        for (std::int32_t c = 0; c < std::min(cols, colCount); ++c) {
            resized[static_cast<std::size_t>(c) + static_cast<std::size_t>(r) * cols] = std::move(
                texts[static_cast<std::size_t>(c) + static_cast<std::size_t>(r) * colCount]);
        }
    }
    texts = std::move(resized);
    colCount = cols;
    rowCount = rows;
    colWidths.resize(static_cast<std::size_t>(cols), 64);
    rowHeights.resize(static_cast<std::size_t>(rows), 24);
}

void GridContents::setColWidth(std::int32_t col, std::int32_t pixels) {
    if (col >= 0 && static_cast<std::size_t>(col) >= colWidths.size()) {
        colWidths.resize(static_cast<std::size_t>(col) + 1, 64);
    }
    colWidths.at(static_cast<std::size_t>(col)) = pixels;
}

void GridContents::setRowHeight(std::int32_t row, std::int32_t pixels) {
    rowHeights.at(static_cast<std::size_t>(row)) = pixels;
}

void GridContents::setCellText(std::int32_t col, std::int32_t row, const std::u16string& text) {
    texts.at(static_cast<std::size_t>(col) + static_cast<std::size_t>(row) * colCount) = text;
}

SelectionReadSettings selectionReadSettings(const WorkingSettings& settings, std::u16string progId,
                                            char16_t decimalSeparator) {
    SelectionReadSettings read;
    read.progId = std::move(progId);
    read.colXsc = settings.colXsc;
    read.rowYsc = settings.rowYsc;
    read.cadXsc = settings.cadXsc;
    read.cadYsc = settings.cadYsc;
    read.cadTsc = settings.cadTsc;
    read.decimalSeparator = decimalSeparator;
    read.cellByCellOptions = settings.options;
    read.readPerCell = settings.readPerCell;
    return read;
}

}  // namespace tabrova
