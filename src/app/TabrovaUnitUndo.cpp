// Undo and redo in the main window: the steps come from the handlers that change the grid or the
// table, the history (grid/EditHistory) keeps them, and this file writes a step back into the
// window and shows the state it restores.
#include <QKeyEvent>
#include <QLineEdit>
#include <QShortcut>

#include "app/Messages.h"
#include "app/TabrovaUnit.h"
#include "preview/QtText.h"

namespace tabrova::app {

namespace {

const QList<QKeySequence>& undoKeys() {
    static const QList<QKeySequence> keys{QKeySequence(Qt::CTRL | Qt::Key_Z)};
    return keys;
}

// Ctrl+Y as on Windows, Ctrl+Shift+Z as elsewhere.
const QList<QKeySequence>& redoKeys() {
    static const QList<QKeySequence> keys{QKeySequence(Qt::CTRL | Qt::Key_Y),
                                          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)};
    return keys;
}

}  // namespace

// The window's table and grid as the history changes them.
class TForm1::HistoryTarget : public EditTarget {
public:
    explicit HistoryTarget(TForm1& form) : form_(form) {}
    CellTable& table() override { return form_.CellTable_; }
    void setGridText(int col, int row, const std::u16string& text) override {
        form_.StringGrid1->setCell(col, row, qs(text));
    }
    TableSnapshot snapshot() override { return form_.windowSnapshot(); }
    void restore(TableSnapshot state) override { form_.restoreWindow(std::move(state)); }

private:
    TForm1& form_;
};

void TForm1::connectUndo() {
    for (const bool undo : {true, false}) {
        auto* key = new QShortcut(this);
        key->setObjectName(undo ? QStringLiteral("UndoShortcut") : QStringLiteral("RedoShortcut"));
        key->setKeys(undo ? undoKeys() : redoKeys());
        connect(key, &QShortcut::activated, this,
                [this, undo] { guard([this, undo] { undo ? Undo() : Redo(); }); });
    }
    // An edit of a cell's text in the edit box ends when another cell becomes current or the box
    // is left; the keystrokes until then are one step.
    connect(StringGrid1, &StringGrid::currentCellChanged, this, [this] { history_.seal(); });
    connect(Edit1, &QLineEdit::editingFinished, this, [this] { history_.seal(); });
    connect(StringGrid1, &StringGrid::cellEdited, this,
            [this](int col, int row, const QString& before) {
                recordTextEdit(col, row, before, StringGrid1->cell(col, row), false);
            });
}

void TForm1::recordTableChange(EditKind kind, const std::function<void()>& change) {
    EditStep step = tableChangeStep(kind, CellTable_, change);
    if (kind == EditKind::scales) {
        // Each keystroke in a scale box computes the sizes anew; together they are one change.
        step.merge = MergeKey{EditKind::scales};
    } else {
        step.selection = StringGrid1->selection();
    }
    history_.record(std::move(step));
}

void TForm1::recordTextEdit(int col, int row, const QString& before, const QString& after,
                            bool typing) {
    if (restoring_) return;
    history_.record(cellTextStep(col, row, u16(before), u16(after), typing));
}

TableSnapshot TForm1::windowSnapshot() const {
    TableSnapshot s;
    s.table = CellTable_;
    s.gridColCount = StringGrid1->colCount();
    s.gridRowCount = StringGrid1->rowCount();
    s.gridTexts.reserve(static_cast<std::size_t>(s.gridColCount) *
                        static_cast<std::size_t>(s.gridRowCount));
    for (int r = 0; r < s.gridRowCount; ++r) {
        for (int c = 0; c < s.gridColCount; ++c)
            s.gridTexts.push_back(u16(StringGrid1->cell(c, r)));
    }
    for (int c = 0; c < s.gridColCount; ++c) s.colWidths.push_back(StringGrid1->colWidth(c));
    for (int r = 0; r < s.gridRowCount; ++r) s.rowHeights.push_back(StringGrid1->rowHeight(r));
    s.caption = u16(windowTitle());
    s.firstCell = u16(Edit2->text());
    s.lastCell = u16(Edit3->text());
    s.totals = u16(Label4->text());
    return s;
}

void TForm1::restoreWindow(TableSnapshot s) {
    CellTable_ = std::move(s.table);
    StringGrid1->setUpdatesEnabled(false);
    StringGrid1->setShape(s.gridColCount, s.gridRowCount);
    for (int r = 0; r < s.gridRowCount; ++r) {
        for (int c = 0; c < s.gridColCount; ++c) {
            StringGrid1->setCell(c, r,
                                 qs(s.gridTexts[static_cast<std::size_t>(c + r * s.gridColCount)]));
        }
    }
    for (int c = 0; c < static_cast<int>(s.colWidths.size()); ++c)
        StringGrid1->setColWidth(c, s.colWidths[static_cast<std::size_t>(c)]);
    for (int r = 0; r < static_cast<int>(s.rowHeights.size()); ++r)
        StringGrid1->setRowHeight(r, s.rowHeights[static_cast<std::size_t>(r)]);
    // The scales may have changed since the table was shown.
    applyGridSizesFromScales();
    StringGrid1->setUpdatesEnabled(true);
    // The caption names the table's workbook, unless something else (the target CAD dialog) has
    // named itself since.
    if (windowTitle() == tableCaption_) setWindowTitle(qs(s.caption));
    tableCaption_ = windowTitle();
    Edit2->setText(qs(s.firstCell));
    Edit3->setText(qs(s.lastCell));
    Label4->setText(qs(s.totals));
    Button4->setEnabled(CellTable_.usable());
    if (!CellTable_.usable()) {
        for (QLineEdit* box : {Edit11, Edit12, Edit13}) box->clear();
    }
    showUnreadOptions();
}

void TForm1::Undo() { undoOrRedo(true); }
void TForm1::Redo() { undoOrRedo(false); }

void TForm1::undoOrRedo(bool undo) {
    if (reading_) return;
    HistoryTarget target(*this);
    const EditStep* step = nullptr;
    restoring_ = true;
    try {
        step = undo ? history_.undo(target) : history_.redo(target);
    } catch (...) {
        restoring_ = false;
        throw;
    }
    restoring_ = false;
    if (step == nullptr) return;
    if (step->selection) StringGrid1->setSelection(*step->selection);
    showRecomputedSizes();
    StringGrid1Click();
    StringGrid1->viewport()->update();
    refreshPreview();
}

bool TForm1::passesUndoKey(QObject* watched, const QKeyEvent& key) const {
    const auto* box = qobject_cast<const QLineEdit*>(watched);
    if (box == nullptr || key.type() != QEvent::ShortcutOverride) return false;
    const QKeySequence pressed(key.keyCombination());
    if (undoKeys().contains(pressed)) return !box->isUndoAvailable();
    if (redoKeys().contains(pressed)) return !box->isRedoAvailable();
    return false;
}

}  // namespace tabrova::app
