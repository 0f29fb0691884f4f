// A string grid with one fixed row and one fixed column, in the coordinates of the cell table's
// grid: cell (col, row), column 0 and row 0 fixed. The fixed row and column are the view's
// headers, so they stay in place while the data scrolls; the texts of all cells, fixed ones
// included, live here.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTableView>
#include <functional>
#include <limits>
#include <vector>

#include "grid/CellGrid.h"

namespace tabrova::app {

class StringGrid;

// The texts of the grid, fixed cells included. Data cell (col, row) is the model index
// (row - 1, col - 1); the fixed row and column are the header data.
class StringGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit StringGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int gridColCount() const { return colCount_; }
    int gridRowCount() const { return rowCount_; }
    void resize(int gridColCount, int gridRowCount);
    QString cell(int col, int row) const;
    void setCell(int col, int row, const QString& text);

signals:
    // A cell text changed, by an edit in place or by setCell.
    void cellTextChanged(int col, int row);
    // An edit in place changed a cell's text; `before` is the text it replaced.
    void cellEdited(int col, int row, const QString& before);
    // A right click (or the menu key) anywhere on the grid: where the pop-up menu opens.
    void popupRequested(const QPoint& globalPos);

private:
    std::size_t slot(int col, int row) const;

    int colCount_ = 0;
    int rowCount_ = 0;
    std::vector<QString> texts_;
};

// The state a cell is painted in.
struct GridDrawState {
    bool fixed = false;
    bool selected = false;
    bool focused = false;
};

class StringGrid : public QTableView {
    Q_OBJECT
public:
    // Paints one cell; returns false to leave the cell to the grid's own drawing.
    using DrawCellFn =
        std::function<bool(QPainter&, int col, int row, const QRect&, const GridDrawState&)>;

    explicit StringGrid(QWidget* parent = nullptr);

    int colCount() const { return model_->gridColCount(); }
    int rowCount() const { return model_->gridRowCount(); }
    void setColCount(int n);
    void setRowCount(int n);
    void setShape(int gridColCount, int gridRowCount);

    QString cell(int col, int row) const { return model_->cell(col, row); }
    void setCell(int col, int row, const QString& text) { model_->setCell(col, row, text); }

    int colWidth(int col) const;
    void setColWidth(int col, int width);
    int rowHeight(int row) const;
    void setRowHeight(int row, int height);
    void setDefaultRowHeight(int height);

    // The current cell; (0, 0) when there is none.
    int col() const;
    int row() const;
    void setCurrentCell(int col, int row);

    // The selected rectangle; the current cell alone when nothing else is selected.
    GridSelection selection() const;
    // Selects the rectangle with its top-left cell as anchor and its bottom-right cell current.
    void setSelection(const GridSelection& rect);

    void setDrawCell(DrawCellFn fn) { drawCell_ = std::move(fn); }
    // Colour of the fixed cells (the system's active-caption colour).
    QColor fixedColor() const { return fixedColor_; }
    // The background and text colours a cell in that state is drawn in.
    struct CellColors {
        QColor background;
        QColor foreground;
    };
    CellColors cellColors(const GridDrawState& state) const;

    // The grid's own drawing of a cell, used when no handler paints it.
    void defaultDrawCell(QPainter& painter, int col, int row, const QRect& rect,
                         const GridDrawState& state) const;
    void paintCell(QPainter& painter, int col, int row, const QRect& rect,
                   const GridDrawState& state) const;

    StringGridModel* gridModel() const { return model_; }

signals:
    void currentCellChanged(int col, int row);
    void fixedCellClicked(int col, int row);
    void cellTextChanged(int col, int row);
    void cellEdited(int col, int row, const QString& before);
    // A right click (or the menu key) anywhere on the grid: where the pop-up menu opens.
    void popupRequested(const QPoint& globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // A right click opens the pop-up menu and leaves the selection alone.
    void mousePressEvent(QMouseEvent* event) override;
    // A click on the cell that already was current opens the editor there.
    void mouseReleaseEvent(QMouseEvent* event) override;
    // Tab and Shift+Tab in the cell editor keep its text and leave the grid, as they do outside
    // the editor.
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    StringGridModel* model_;
    DrawCellFn drawCell_;
    QColor fixedColor_;
    int fixedColWidth_ = 64;
    int fixedRowHeight_ = 20;
    bool pressedOnCurrent_ = false;
    QPersistentModelIndex plainPress_;  // the cell of a left press without modifiers
};

// The length a line edit holds when it must hold any text.
inline constexpr int kUnlimitedLength = std::numeric_limits<int>::max();

}  // namespace tabrova::app
