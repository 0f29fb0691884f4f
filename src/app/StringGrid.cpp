#include "app/StringGrid.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QEvent>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace tabrova::app {

namespace {

constexpr int kMinCount = 2;  // one fixed and at least one data column or row

// Paints the fixed row or column through the grid, so that fixed cells follow the same drawing
// handler as the data cells.
class FixedHeader : public QHeaderView {
public:
    FixedHeader(Qt::Orientation orientation, StringGrid* grid)
        : QHeaderView(orientation, grid), grid_(grid) {}

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        if (!rect.isValid()) return;
        const int col = orientation() == Qt::Horizontal ? logicalIndex + 1 : 0;
        const int row = orientation() == Qt::Horizontal ? 0 : logicalIndex + 1;
        painter->save();
        grid_->paintCell(*painter, col, row, rect, GridDrawState{true, false, false});
        painter->restore();
    }

private:
    StringGrid* grid_;
};

// Paints the data cells through the grid.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(StringGrid* grid) : QStyledItemDelegate(grid), grid_(grid) {}

    // The editor holds texts of any length (a line edit keeps 32,767 characters by default and
    // would cut a longer text that is then written back).
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setMaxLength(kUnlimitedLength);
        return editor;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        GridDrawState state;
        state.selected = option.state.testFlag(QStyle::State_Selected);
        state.focused = option.state.testFlag(QStyle::State_HasFocus);
        painter->save();
        grid_->paintCell(*painter, index.column() + 1, index.row() + 1, option.rect, state);
        painter->restore();
    }

private:
    StringGrid* grid_;
};

}  // namespace

// ---- model ----

StringGridModel::StringGridModel(QObject* parent) : QAbstractTableModel(parent) {}

std::size_t StringGridModel::slot(int col, int row) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(colCount_) +
           static_cast<std::size_t>(col);
}

int StringGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(rowCount_ - 1, 0);
}

int StringGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(colCount_ - 1, 0);
}

QVariant StringGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return cell(index.column() + 1, index.row() + 1);
}

bool StringGridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole) return false;
    const int col = index.column() + 1;
    const int row = index.row() + 1;
    const QString before = cell(col, row);
    setCell(col, row, value.toString());
    if (cell(col, row) != before) emit cellEdited(col, row, before);
    return true;
}

QVariant StringGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    return orientation == Qt::Horizontal ? cell(section + 1, 0) : cell(0, section + 1);
}

Qt::ItemFlags StringGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void StringGridModel::resize(int gridColCount, int gridRowCount) {
    gridColCount = std::max(gridColCount, kMinCount);
    gridRowCount = std::max(gridRowCount, kMinCount);
    if (gridColCount == colCount_ && gridRowCount == rowCount_) return;

    // Texts of the cells that stay keep their places.
    auto resizeTexts = [this](int newCols, int newRows) {
        std::vector<QString> texts(static_cast<std::size_t>(newCols) *
                                   static_cast<std::size_t>(newRows));
        for (int r = 0; r < std::min(rowCount_, newRows); ++r) {
            for (int c = 0; c < std::min(colCount_, newCols); ++c) {
                texts[static_cast<std::size_t>(r) * static_cast<std::size_t>(newCols) +
                      static_cast<std::size_t>(c)] = std::move(texts_[slot(c, r)]);
            }
        }
        texts_ = std::move(texts);
        colCount_ = newCols;
        rowCount_ = newRows;
    };

    if (colCount_ == 0) {
        beginResetModel();
        resizeTexts(gridColCount, gridRowCount);
        endResetModel();
        return;
    }
    if (gridColCount < colCount_) {
        beginRemoveColumns({}, gridColCount - 1, colCount_ - 2);
        resizeTexts(gridColCount, rowCount_);
        endRemoveColumns();
    } else if (gridColCount > colCount_) {
        beginInsertColumns({}, colCount_ - 1, gridColCount - 2);
        resizeTexts(gridColCount, rowCount_);
        endInsertColumns();
    }
    if (gridRowCount < rowCount_) {
        beginRemoveRows({}, gridRowCount - 1, rowCount_ - 2);
        resizeTexts(colCount_, gridRowCount);
        endRemoveRows();
    } else if (gridRowCount > rowCount_) {
        beginInsertRows({}, rowCount_ - 1, gridRowCount - 2);
        resizeTexts(colCount_, gridRowCount);
        endInsertRows();
    }
}

QString StringGridModel::cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) return {};
    return texts_[slot(col, row)];
}

void StringGridModel::setCell(int col, int row, const QString& text) {
    if (col < 0 || row < 0 || col >= colCount_ || row >= rowCount_) return;
    QString& stored = texts_[slot(col, row)];
    if (stored == text) return;
    stored = text;
    if (col == 0 && row == 0) {
        // The corner has no header section of its own.
    } else if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, col - 1, col - 1);
    } else if (col == 0) {
        emit headerDataChanged(Qt::Vertical, row - 1, row - 1);
    } else {
        const QModelIndex i = createIndex(row - 1, col - 1);
        emit dataChanged(i, i, {Qt::DisplayRole, Qt::EditRole});
    }
    emit cellTextChanged(col, row);
}

// ---- view ----

StringGrid::StringGrid(QWidget* parent)
    : QTableView(parent), model_(new StringGridModel(this)), fixedColor_(153, 180, 209) {
    setHorizontalHeader(new FixedHeader(Qt::Horizontal, this));
    setVerticalHeader(new FixedHeader(Qt::Vertical, this));
    setModel(model_);
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    // A click opens the editor only on the cell that already was current (mouseReleaseEvent);
    // Qt's SelectedClicked would open it on any cell of a selected range.
    setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::DoubleClicked);
    setWordWrap(false);
    // Tab and Shift+Tab go on to the next and previous control; the arrow keys move between
    // cells.
    setTabKeyNavigation(false);
    setCornerButtonEnabled(true);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Interactive);
        header->setSectionsClickable(true);
        header->setHighlightSections(false);
        header->setMinimumSectionSize(0);
    }
    horizontalHeader()->setDefaultSectionSize(64);
    verticalHeader()->setDefaultSectionSize(20);
    verticalHeader()->setFixedWidth(fixedColWidth_);
    horizontalHeader()->setFixedHeight(fixedRowHeight_);

    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit fixedCellClicked(section + 1, 0); });
    connect(verticalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { emit fixedCellClicked(0, section + 1); });
    // The pop-up menu opens anywhere in the grid, the fixed row, the fixed column and the corner
    // included, and leaves the selection alone.
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { emit popupRequested(viewport()->mapToGlobal(pos)); });
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
        header->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(header, &QWidget::customContextMenuRequested, this,
                [this, header](const QPoint& pos) {
                    emit popupRequested(header->viewport()->mapToGlobal(pos));
                });
    }
    if (auto* corner = findChild<QAbstractButton*>()) {
        corner->installEventFilter(this);
        connect(corner, &QAbstractButton::clicked, this, [this] { emit fixedCellClicked(0, 0); });
    }
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                if (current.isValid())
                    emit currentCellChanged(current.column() + 1, current.row() + 1);
            });
    connect(model_, &StringGridModel::cellTextChanged, this, &StringGrid::cellTextChanged);
    connect(model_, &StringGridModel::cellEdited, this, &StringGrid::cellEdited);

    setShape(5, 5);
}

void StringGrid::setColCount(int n) { setShape(n, rowCount()); }
void StringGrid::setRowCount(int n) { setShape(colCount(), n); }

void StringGrid::setShape(int gridColCount, int gridRowCount) {
    const int oldCol = col();
    const int oldRow = row();
    model_->resize(gridColCount, gridRowCount);
    // Like the classic grid, keep the current cell where it was when it is still inside, else
    // move it into the grid; there is always a current data cell.
    setCurrentCell(std::clamp(oldCol, 1, colCount() - 1), std::clamp(oldRow, 1, rowCount() - 1));
}

int StringGrid::colWidth(int col) const { return col == 0 ? fixedColWidth_ : columnWidth(col - 1); }

void StringGrid::setColWidth(int col, int width) {
    width = std::max(width, 0);
    if (col == 0) {
        fixedColWidth_ = width;
        verticalHeader()->setFixedWidth(width);
    } else if (col < colCount()) {
        setColumnWidth(col - 1, width);
    }
}

int StringGrid::rowHeight(int row) const {
    return row == 0 ? fixedRowHeight_ : QTableView::rowHeight(row - 1);
}

void StringGrid::setRowHeight(int row, int height) {
    height = std::max(height, 0);
    if (row == 0) {
        fixedRowHeight_ = height;
        horizontalHeader()->setFixedHeight(height);
    } else if (row < rowCount()) {
        QTableView::setRowHeight(row - 1, height);
    }
}

void StringGrid::setDefaultRowHeight(int height) {
    verticalHeader()->setDefaultSectionSize(height);
    setRowHeight(0, height);
}

int StringGrid::col() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.column() + 1 : 0;
}

int StringGrid::row() const {
    const QModelIndex i = currentIndex();
    return i.isValid() ? i.row() + 1 : 0;
}

void StringGrid::setCurrentCell(int col, int row) {
    if (col < 1 || row < 1 || col >= colCount() || row >= rowCount()) return;
    // Through the view, which also moves the anchor that Shift+arrow keys extend from.
    QTableView::setCurrentIndex(model_->index(row - 1, col - 1));
}

GridSelection StringGrid::selection() const {
    const QItemSelection ranges = selectionModel()->selection();
    if (ranges.isEmpty()) return GridSelection{col(), row(), col(), row()};
    int left = colCount(), top = rowCount(), right = 0, bottom = 0;
    for (const QItemSelectionRange& range : ranges) {
        left = std::min(left, range.left() + 1);
        top = std::min(top, range.top() + 1);
        right = std::max(right, range.right() + 1);
        bottom = std::max(bottom, range.bottom() + 1);
    }
    return GridSelection{left, top, right, bottom};
}

void StringGrid::setSelection(const GridSelection& rect) {
    const int left = std::max(rect.left, 1), top = std::max(rect.top, 1);
    const int right = std::min(rect.right, colCount() - 1);
    const int bottom = std::min(rect.bottom, rowCount() - 1);
    if (left > right || top > bottom) return;
    const QModelIndex topLeft = model_->index(top - 1, left - 1);
    const QModelIndex bottomRight = model_->index(bottom - 1, right - 1);
    // The view stays where it is: a column's caption clicked must not scroll to its last row.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    QTableView::setCurrentIndex(topLeft);  // the anchor
    selectionModel()->setCurrentIndex(bottomRight, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(topLeft, bottomRight),
                             QItemSelectionModel::ClearAndSelect);
    setAutoScroll(scrolls);
}

StringGrid::CellColors StringGrid::cellColors(const GridDrawState& state) const {
    const QPalette& pal = palette();
    if (state.fixed) return {fixedColor_, pal.color(QPalette::WindowText)};
    if (state.selected)
        return {pal.color(QPalette::Highlight), pal.color(QPalette::HighlightedText)};
    return {pal.color(QPalette::Base), pal.color(QPalette::Text)};
}

void StringGrid::defaultDrawCell(QPainter& painter, int col, int row, const QRect& rect,
                                 const GridDrawState& state) const {
    const CellColors colors = cellColors(state);
    painter.fillRect(rect, colors.background);
    painter.setPen(colors.foreground);
    painter.setFont(font());
    painter.drawText(rect.adjusted(2, 2, -2, 0), Qt::AlignLeft | Qt::AlignTop, cell(col, row));
}

void StringGrid::paintCell(QPainter& painter, int col, int row, const QRect& rect,
                           const GridDrawState& state) const {
    if (!drawCell_ || !drawCell_(painter, col, row, rect, state)) {
        defaultDrawCell(painter, col, row, rect, state);
    }
    if (state.fixed) {
        // The lines between fixed cells.
        painter.setPen(palette().color(QPalette::Dark));
        painter.drawLine(rect.topRight(), rect.bottomRight());
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
    }
}

void StringGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        event->accept();
        return;
    }
    const QModelIndex pressed = indexAt(event->position().toPoint());
    const bool plain = event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier;
    plainPress_ = plain ? QPersistentModelIndex(pressed) : QPersistentModelIndex();
    pressedOnCurrent_ = plain && pressed.isValid() && pressed == currentIndex();
    QTableView::mousePressEvent(event);
}

void StringGrid::mouseReleaseEvent(QMouseEvent* event) {
    const bool onCurrent = pressedOnCurrent_;
    const QPersistentModelIndex pressed = plainPress_;
    pressedOnCurrent_ = false;
    plainPress_ = QPersistentModelIndex();
    QTableView::mouseReleaseEvent(event);
    const QModelIndex released = indexAt(event->position().toPoint());
    if (event->button() != Qt::LeftButton || !released.isValid() || released != pressed ||
        state() == QAbstractItemView::EditingState) {
        return;
    }
    if (onCurrent) {
        edit(released);
    } else if (selectionModel()->selectedIndexes().size() > 1) {
        // A plain click on a cell of a selected range: that cell alone, as the classic grid.
        setCurrentCell(released.column() + 1, released.row() + 1);
    }
}

void StringGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    const bool next = hint == QAbstractItemDelegate::EditNextItem;
    const bool previous = hint == QAbstractItemDelegate::EditPreviousItem;
    QTableView::closeEditor(editor, next || previous ? QAbstractItemDelegate::NoHint : hint);
    if (next || previous) focusNextPrevChild(next);
}

bool StringGrid::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::ContextMenu && qobject_cast<QAbstractButton*>(watched)) {
        emit popupRequested(static_cast<QContextMenuEvent*>(event)->globalPos());
        return true;
    }
    if (event->type() == QEvent::Paint && watched->isWidgetType() &&
        qobject_cast<QAbstractButton*>(watched) != nullptr) {
        auto* corner = static_cast<QWidget*>(watched);
        QPainter painter(corner);
        paintCell(painter, 0, 0, corner->rect(), GridDrawState{true, false, false});
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

}  // namespace tabrova::app
