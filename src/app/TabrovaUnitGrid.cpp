// The cell grid: the current cell, its edit box and base-point buttons, the drawing of the cells.
#include <QPainter>

#include "app/TabrovaUnit.h"
#include "grid/CellGrid.h"
#include "preview/QtText.h"
#include "table/CellGeometry.h"

namespace tabrova::app {

namespace {

// Colour of the cells of a merged region in the grid.
const QColor kMergedCellColor(240, 255, 255);

}  // namespace

void TForm1::StringGrid1Click() {
    if (reading_) return;  // the read runs it once it has ended
    const int col = StringGrid1->col();
    const int row = StringGrid1->row();
    const QString text = StringGrid1->cell(col, row);
    if (Edit1->text() != text) Edit1->setText(text);
    colourEdit1();
    Label13->clear();
    if (col >= 1 && row >= 1 && CellTable_.usable() && col <= CellTable_.colCount &&
        row <= CellTable_.rowCount) {
        const TXlsxCellAttr& cell = CellTable_.at(col - 1, row - 1);
        SpeedButton1->setAutoRaise(cell.txtAlign != alignLeft);
        SpeedButton2->setAutoRaise(cell.txtAlign != alignCenter);
        SpeedButton3->setAutoRaise(cell.txtAlign != alignRight);
        showCurrentCellSizes();
    }
}

void TForm1::onGridCellTextChanged(int col, int row) {
    // The edit box follows the current cell's text whatever changed it (an edit in place, a
    // conversion, a replacement), so that a keystroke in it never writes a stale text back.
    if (!reading_) refreshPreview();
    if (writingFromEdit1_ || reading_) return;
    if (col == StringGrid1->col() && row == StringGrid1->row()) StringGrid1Click();
}

bool TForm1::StringGrid1DrawCell(QPainter& painter, int ACol, int ARow, const QRect& Rect,
                                 const GridDrawState& State) {
    if (CellTable_.empty()) return false;
    const bool fixed = ACol == 0 || ARow == 0;
    const TXlsxCellAttr* cell = nullptr;
    if (!fixed && ACol <= CellTable_.colCount && ARow <= CellTable_.rowCount &&
        CellTable_.usable()) {
        cell = &CellTable_.at(ACol - 1, ARow - 1);
    }
    Qt::Alignment horizontal = Qt::AlignLeft;
    if (fixed) {
        horizontal = Qt::AlignHCenter;
    } else if (cell != nullptr) {
        switch (textPlacement(cell->txtAlign)) {
            case TextPlacement::centre:
                horizontal = Qt::AlignHCenter;
                break;
            case TextPlacement::right:
                horizontal = Qt::AlignRight;
                break;
            case TextPlacement::left:
                break;
        }
    }
    const QPalette& pal = StringGrid1->palette();
    auto [background, foreground] = StringGrid1->cellColors(State);
    const bool merged = cell != nullptr && isMergedRegionCell(*cell);
    if (merged) {
        background = kMergedCellColor;
        // Highlighted text would vanish on the light background of a selected merged cell.
        foreground = pal.color(QPalette::Text);
    }
    painter.fillRect(Rect, background);
    if (merged && State.selected) {
        painter.setPen(QPen(pal.color(QPalette::Highlight), 2));
        painter.drawRect(Rect.adjusted(1, 1, -1, -1));
    }
    const QRect textRect = Rect.adjusted(0, 2, -2, 0);
    const QString text = StringGrid1->cell(ACol, ARow);
    painter.setPen(foreground);
    painter.setFont(StringGrid1->font());
    // A data text wider than its cell starts at the left edge, so that its beginning stays
    // readable instead of being cut on both sides (the drawing still places it by txtAlign).
    if (!fixed && horizontal != Qt::AlignLeft &&
        painter.fontMetrics().boundingRect(textRect, Qt::AlignLeft | Qt::AlignTop, text).width() >
            textRect.width()) {
        horizontal = Qt::AlignLeft;
    }
    painter.drawText(textRect, static_cast<int>(horizontal | Qt::AlignTop), text);
    return true;
}

void TForm1::StringGrid1FixedCellClick(int ACol, int ARow) {
    if (reading_) return;
    StringGrid1->setSelection(
        fixedCellSelection(ACol, ARow, StringGrid1->colCount(), StringGrid1->rowCount()));
}

void TForm1::Edit1Change() {
    const int col = StringGrid1->col();
    const int row = StringGrid1->row();
    if (col < 1 || row < 1 || reading_) return;
    const QString before = StringGrid1->cell(col, row);
    writingFromEdit1_ = true;
    StringGrid1->setCell(col, row, Edit1->text());
    writingFromEdit1_ = false;
    recordTextEdit(col, row, before, StringGrid1->cell(col, row), true);
    colourEdit1();
}

// A text with a line feed shows red: the drawing breaks it into lines.
void TForm1::colourEdit1() {
    QPalette palette = Edit1->palette();
    palette.setColor(QPalette::Text,
                     containsLineFeed(u16(Edit1->text())) ? QColor(255, 0, 0) : QColor(0, 0, 0));
    Edit1->setPalette(palette);
}

void TForm1::Edit1KeyUp(int key) {
    if (key != Qt::Key_Left && key != Qt::Key_Up && key != Qt::Key_Right && key != Qt::Key_Down) {
        return;
    }
    Label13->setText(qs(
        caretCharCodeLabel(u16(Edit1->text()), static_cast<std::size_t>(Edit1->cursorPosition()))));
}

void TForm1::SpeedButton1Click(QObject* sender) {
    std::uint8_t code = 0;
    if (sender == SpeedButton1) code = alignLeft;
    if (sender == SpeedButton2) code = alignCenter;
    if (sender == SpeedButton3) code = alignRight;
    if (code == 0) return;
    if (StringGrid1->row() >= 1 && StringGrid1->col() >= 1 && !CellTable_.empty()) {
        recordTableChange(EditKind::basePoint,
                          [&] { setTextAlign(CellTable_, StringGrid1->selection(), code); });
    }
    StringGrid1->viewport()->update();
    refreshPreview();
}

}  // namespace tabrova::app
