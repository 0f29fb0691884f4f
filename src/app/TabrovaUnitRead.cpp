// Reading a range into the table and the grid (from the running spreadsheet, a workbook file or
// the clipboard), inserting the drawing into the CAD, and the preview.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include "app/Messages.h"
#include "app/PreviewForm.h"
#include "app/TabrovaUnit.h"
#include "cad/BlockInsertion.h"
#include "clipboard/QtClipboard.h"
#include "platform/AtomicFile.h"
#include "platform/Automation.h"
#include "platform/Utf8.h"
#include "platform/WindowOps.h"
#include "preview/QtText.h"
#include "table/StatusText.h"
#include "workbook/RunningSpreadsheet.h"

namespace tabrova::app {

// What the read writes into the window.
class TForm1::ReadView : public SelectionReadView {
public:
    explicit ReadView(TForm1& form) : form_(form) {}

    void showCaption(const std::u16string& caption) override { form_.setWindowTitle(qs(caption)); }
    void showRange(const std::u16string& first, const std::u16string& last) override {
        form_.Edit2->setText(qs(first));
        form_.Edit3->setText(qs(last));
    }
    void beginGridUpdate() override { form_.StringGrid1->setUpdatesEnabled(false); }
    void endGridUpdate() override {
        form_.StringGrid1->setUpdatesEnabled(true);
        form_.StringGrid1->viewport()->update();
    }
    void setGridSize(std::int32_t colCount, std::int32_t rowCount) override {
        form_.StringGrid1->setShape(colCount, rowCount);
    }
    void setColWidth(std::int32_t col, std::int32_t pixels) override {
        form_.StringGrid1->setColWidth(col, pixels);
    }
    void setRowHeight(std::int32_t row, std::int32_t pixels) override {
        form_.StringGrid1->setRowHeight(row, pixels);
    }
    void setCellText(std::int32_t col, std::int32_t row, const std::u16string& text) override {
        form_.StringGrid1->setCell(col, row, qs(text));
    }
    void setCurrentCell(std::int32_t col, std::int32_t row) override {
        form_.StringGrid1->setCurrentCell(col, row);
    }
    void startProgress(std::int32_t maximum) override {
        form_.ProgressBar1->setRange(0, std::max(maximum, 1));
        form_.ProgressBar1->setValue(0);
    }
    void advanceProgress() override {
        form_.ProgressBar1->setValue(form_.ProgressBar1->value() + 1);
    }
    void resetProgress() override { form_.ProgressBar1->setValue(0); }
    void showRowCounter(const std::u16string& text) override { form_.Label4->setText(qs(text)); }
    bool pumpMessages() override {
        QCoreApplication::processEvents();
        // A close requested meanwhile ends the read first; the window closes afterwards.
        return !form_.closePending_;
    }

private:
    TForm1& form_;
};

void TForm1::Button3Click() {
    runRead([this](const SelectionReadSettings& readSettings) {
        std::unique_ptr<SelectionSource> source = source_.prepareRead();
        if (!source) source = workbook::runningSpreadsheetSource(readSettings);
        return source;
    });
}

// The clipboard as the caption and the messages name it.
constexpr std::u16string_view kClipboardLabel = u"クリップボード";

std::function<std::unique_ptr<workbook::ClipboardFormats>()>& TForm1::clipboardHook() {
    static std::function<std::unique_ptr<workbook::ClipboardFormats>()> hook = [] {
        return std::unique_ptr<workbook::ClipboardFormats>(
            std::make_unique<clipboard::QtClipboardFormats>());
    };
    return hook;
}

void TForm1::ClipboardButtonClick() {
    std::vector<workbook::ReadReason> notes;
    std::optional<QString> refusal;
    runRead([&](const SelectionReadSettings&) -> std::unique_ptr<SelectionSource> {
        try {
            workbook::ClipboardTable table =
                workbook::readClipboard(*clipboardHook()(), std::u16string(kClipboardLabel));
            notes = table.notes;
            return workbook::ownedSource(std::move(table));
        } catch (const workbook::WorkbookError& e) {
            refusal = QString::fromStdString(messageText(e.japaneseReason(), 800));
            return nullptr;
        }
    });
    if (refusal) {
        showMessage(this, QStringLiteral("クリップボードから取得できませんでした.\n") + *refusal,
                    qs(kMessageCaption), MessageKind::information);
        return;
    }
    QStringList said;
    if (!StatusLabel->text().isEmpty()) said << StatusLabel->text();
    for (const workbook::ReadReason& note : notes) said << QString::fromStdString(note.japanese());
    StatusLabel->setText(said.join(QStringLiteral(" ")));
}

void TForm1::runRead(
    const std::function<std::unique_ptr<SelectionSource>(const SelectionReadSettings&)>&
        makeSource) {
    if (reading_) return;
    const bool couldInsert = Button4->isEnabled();
    Button3->setEnabled(false);
    ClipboardButton->setEnabled(false);
    Button4->setEnabled(false);
    showStatus(QString());
    // While the read lets the message loop run, the user's input to this window is held off, and
    // a close request ends the read first (see closeEvent): nothing may change the table or the
    // grid under the read.
    reading_ = true;
    qApp->installEventFilter(this);
    SelectionReadResult result;
    std::exception_ptr error;
    // What the read replaces, so that one undo brings it back.
    EditStep readStep;
    readStep.kind = EditKind::read;
    readStep.other = windowSnapshot();
    try {
        const SelectionReadSettings readSettings =
            selectionReadSettings(settings_, u16(Edit15->text()), decimalSeparator());
        if (std::unique_ptr<SelectionSource> source = makeSource(readSettings)) {
            ReadView view(*this);
            result = readSelection(readSettings, *source, CellTable_, view);
        } else {
            result.enableInsert = couldInsert;
            Button4->setEnabled(couldInsert);
        }
    } catch (...) {
        error = std::current_exception();
    }
    qApp->removeEventFilter(this);
    reading_ = false;
    StringGrid1->setUpdatesEnabled(true);
    // A read that ended in an exception may have replaced the table partway.
    const CellTable& before = readStep.other->table;
    if (result.tableReplaced ||
        (error && (before.cells != CellTable_.cells || before.colCount != CellTable_.colCount ||
                   before.rowCount != CellTable_.rowCount))) {
        history_.record(std::move(readStep));
        tableCaption_ = windowTitle();
    }

    if (error) {
        showErrorBox(error);
    } else {
        if (result.tableReplaced) ShowWHSize();
        if (result.enableInsert) {
            try {
                Button4->setEnabled(true);
                StringGrid1->setCurrentCell(1, 1);
                StringGrid1Click();
            } catch (...) {
                Button4->setEnabled(false);
                showMessage(this, qs(kReadFailedMessage), qs(kMessageCaption));
            }
        }
        if (!result.message.empty() && !closePending_) {
            QString message = qs(result.message);
            if (result.status == SelectionReadStatus::attachFailed && !source_.source() &&
                !automation::runningApplicationsReachable()) {
                message += QStringLiteral("\n") + noWorkbookHint();
            }
            showMessage(this, message, qs(kMessageCaption),
                        result.status == SelectionReadStatus::attachFailed
                            ? MessageKind::information
                            : MessageKind::warning);
        }
    }
    Button3->setEnabled(true);
    ClipboardButton->setEnabled(true);
    refreshPreview();
    if (closePending_) {
        closePending_ = false;
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

DrawingRequest TForm1::gridDrawingRequest() const {
    const CellTextFn text = [this](std::int32_t col, std::int32_t row) {
        return u16(StringGrid1->cell(col + 1, row + 1));
    };
    return drawingRequest(CellTable_, text, settings_, CheckBox1->isChecked());
}

void TForm1::Button4Click() {
    if (!CellTable_.usable()) return;
    const DrawingRequest request = gridDrawingRequest();
    const std::filesystem::path& path = files_.dxfFile;
    // A coordinate the file cannot hold: nothing is written, and the scale to change is named.
    const auto cannotSave = [this](const QString& why) {
        showMessage(this, QStringLiteral("DXF ファイルを保存できませんでした.\n") + why,
                    qs(kApplicationTitle), MessageKind::error);
    };
    if (const auto scale = nonFiniteScale(request)) {
        cannotSave(
            QStringLiteral("尺度 %1 = %2 では図面の座標が有限の数になりません.")
                .arg(qs(std::u16string(scale->name)), QString::number(scale->value, 'g', 17)));
        return;
    }
    try {
        if (!writeTableDxf(request, path)) return;
    } catch (const platform::FileError& e) {
        cannotSave(QStringLiteral("%1\n%2").arg(qs(e.path().u16string()),
                                                QString::fromStdString(e.japaneseReason())));
        return;
    }
    const std::size_t replaced =
        charactersBeyondEscape(buildTableDrawing(request).value_or(std::vector<DrawnEntity>{}));
    const QString shownPath = QDir::toNativeSeparators(qs(path.u16string()));
    showStatus(qs(insertStatusText(InsertOutcome::saved, path, replaced)), shownPath);

    // Hand-off to the CAD: inserts the saved file into the running target CAD, if one runs.
    const bool taken = cad::handOffToCad(path, settings_.targetProgID, platform::systemWindowOps());

    showStatus(qs(insertStatusText(taken ? InsertOutcome::inserted : InsertOutcome::savedWithoutCad,
                                   path, replaced)),
               shownPath);
}

// ---- the preview ----

void TForm1::PreviewButtonClick() {
    PreviewForm->show();
    PreviewForm->raise();
    PreviewForm->activateWindow();
}

void TForm1::refreshPreview() { PreviewForm->scheduleRefresh(); }

bool TForm1::blocksInput(QObject* watched, QEvent* event) const {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::Drop:
        case QEvent::TouchBegin:
            break;
        default:
            return false;
    }
    const auto* widget = qobject_cast<const QWidget*>(watched);
    return widget != nullptr && widget->window() == this;
}

}  // namespace tabrova::app
