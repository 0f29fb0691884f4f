// The workbook file as the source of "Excel から取得": choosing it (dialog, recent files, a
// dropped file) and showing it in the status bar.
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>
#include <QTimer>
#include <QUrl>
#include <algorithm>

#include "app/Messages.h"
#include "app/OpenBookForm.h"
#include "app/TabrovaUnit.h"
#include "platform/Automation.h"
#include "preview/QtText.h"
#include "settings/RecentBooks.h"
#include "table/StatusText.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::app {

std::function<bool(TOpenBookForm&)>& TForm1::confirmWorkbookHook() {
    static std::function<bool(TOpenBookForm&)> hook = [](TOpenBookForm& form) {
        return form.exec() == QDialog::Accepted;
    };
    return hook;
}

void TForm1::OpenBookButtonClick() {
    const QString start =
        source_.source() ? qs(source_.source()->path.parent_path().u16string()) : QDir::homePath();
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("ブックを開く"), start,
        QStringLiteral("ブック (*.xlsx *.xlsm *.xml *.ods *.fods);;すべてのファイル (*)"));
    if (!file.isEmpty()) openWorkbookFile(std::filesystem::path(file.toStdU16String()));
}

void TForm1::CloseBookButtonClick() {
    source_.close();
    showSource();
}

bool TForm1::openWorkbookFile(const std::filesystem::path& path) {
    if (reading_) return false;
    std::shared_ptr<workbook::WorkbookFile> book;
    try {
        book = workbook::WorkbookFile::open(path);
    } catch (const workbook::WorkbookError&) {
        showMessage(this, describeException(std::current_exception()), qs(kMessageCaption),
                    MessageKind::warning);
        return false;
    }
    // What exceeds Excel's limits was cut or left out; the user is told before choosing, and of
    // the cells' texts once the range is read.
    std::vector<std::string> openNotes;
    for (const workbook::ReadReason& note : book->notes()) openNotes.push_back(note.japanese());
    auto showNotes = [this](const std::vector<std::string>& list) {
        if (list.empty()) return;
        QString notes;
        for (const std::string& note : list)
            notes += QStringLiteral("\n") + QString::fromStdString(note);
        showMessage(
            this,
            QStringLiteral("ブックの一部は Excel の上限を超えているため、そのままでは読めません:") +
                notes,
            qs(kMessageCaption), MessageKind::warning);
    };
    showNotes(openNotes);
    TOpenBookForm form(*book, this);
    if (!confirmWorkbookHook()(form)) return false;
    bool opened = true;
    try {
        source_.choose(book, form.sheetName(), form.range());
    } catch (...) {
        opened = false;
        showErrorBox(std::current_exception());
    }
    if (const workbook::WorkbookFile* read = source_.workbook()) {
        std::vector<std::string> readNotes;
        for (const workbook::ReadReason& reason : read->notes()) {
            std::string note = reason.japanese();
            if (std::find(openNotes.begin(), openNotes.end(), note) == openNotes.end())
                readNotes.push_back(std::move(note));
        }
        showNotes(readNotes);
    }
    if (opened) rememberRecentBook(path);
    showSource();
    return opened;
}

QString TForm1::noWorkbookHint() { return qs(kNoWorkbookHint); }

void TForm1::showSource() {
    CloseBookButton->setVisible(source_.source().has_value());
    SourceLabel->setText(qs(sourceStatusText(
        source_.source(), automation::runningApplicationsReachable(), u16(Edit15->text()))));
    SourceLabel->setToolTip(qs(sourceToolTip(source_.source())));
    layoutStatusBar();
}

void TForm1::fillRecentBooksMenu() {
    RecentBooksMenu->clear();
    int number = 0;
    for (const std::u16string& book : settings_.recentBooks) {
        ++number;
        const QString path = qs(book);
        // A file that is gone (or on a drive not connected now) stays in the list, marked, and
        // comes back to use when it is there again.
        const bool exists = QFileInfo(path).isFile();
        QString caption = fontMetrics().elidedText(path, Qt::ElideMiddle, 400);
        caption.replace(QLatin1Char('&'), QStringLiteral("&&"));
        caption = QStringLiteral("&%1 %2").arg(number).arg(caption);
        if (!exists) caption += QStringLiteral(" (見つかりません)");
        QAction* action = RecentBooksMenu->addAction(caption);
        action->setObjectName(QStringLiteral("RecentBook%1").arg(number));
        action->setToolTip(path);
        action->setEnabled(exists);
        // Queued: the open refills this menu, which deletes the action being triggered.
        connect(
            action, &QAction::triggered, this,
            [this, book] {
                guard([this, &book] { openWorkbookFile(std::filesystem::path(book)); });
            },
            Qt::QueuedConnection);
    }
    RecentBooksButton->setEnabled(!settings_.recentBooks.empty() && !reading_);
}

void TForm1::rememberRecentBook(const std::filesystem::path& path) {
    std::u16string name;
    try {
        name = path.u16string();
    } catch (const std::exception&) {
        return;  // a name that is no text (bytes that are not UTF-8) cannot go into the settings
    }
    // The file's one name: through links, and on Windows in the letter case of the disk, so that
    // the same file opened by another spelling takes its old entry's place.
    const QFileInfo file(qs(name));
    const QString canonical = file.canonicalFilePath();
    const QString absolute =
        canonical.isEmpty() ? QDir::cleanPath(file.absoluteFilePath()) : canonical;
    settings_.recentBooks =
        withRecentBook(std::move(settings_.recentBooks), u16(QDir::toNativeSeparators(absolute)));
    fillRecentBooksMenu();
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!reading_ && urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const std::filesystem::path path(urls.front().toLocalFile().toStdU16String());
    // Opening shows a modal dialog; let the drop finish first.
    QTimer::singleShot(0, this, [this, path] { guard([this, &path] { openWorkbookFile(path); }); });
}

}  // namespace tabrova::app
