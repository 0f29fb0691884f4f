#include "app/tour/ScreenshotTour.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QSize>
#include <QTimer>
#include <QToolButton>
#include <filesystem>
#include <functional>

#include "app/Messages.h"
#include "app/TabrovaUnit.h"
#include "app/TaregetCADUnit.h"
#include "app/Unit3.h"
#include "table/StatusText.h"

namespace tabrova::app {

namespace {

void showAndSave(QDialog* dialog, const QString& file) {
    dialog->show();
    QCoreApplication::processEvents();
    dialog->grab().save(file);
    dialog->hide();
}

// The window with its pop-up menu open over the grid's selection, as the user sees it.
void saveWithPopupMenu(TForm1& form, const QString& file) {
    StringGrid* grid = form.StringGrid1;
    if (grid->colCount() > 2 && grid->rowCount() > 3) {
        grid->setSelection(GridSelection{1, 1, 2, 3});
    }
    const QRect cell = grid->visualRect(grid->gridModel()->index(1, 1));
    const QPoint at = grid->viewport()->mapToGlobal(cell.center());
    form.PopupMenu1->popup(at);
    QCoreApplication::processEvents();
    QPixmap picture = form.grab();
    QPainter painter(&picture);
    painter.drawPixmap(form.mapFromGlobal(form.PopupMenu1->pos()), form.PopupMenu1->grab());
    painter.end();
    picture.save(file);
    form.PopupMenu1->hide();
}

// The window with the menu of recent workbooks open under its button.
void saveWithRecentBooks(TForm1& form, const QString& file) {
    QToolButton* button = form.RecentBooksButton;
    form.RecentBooksMenu->popup(button->mapToGlobal(QPoint(0, button->height())));
    QCoreApplication::processEvents();
    QPixmap picture = form.grab();
    QPainter painter(&picture);
    painter.drawPixmap(form.mapFromGlobal(form.RecentBooksMenu->pos()),
                       form.RecentBooksMenu->grab());
    painter.end();
    picture.save(file);
    form.RecentBooksMenu->hide();
}

// Runs `open`, which shows a modal dialog the program's own way (a question, the file dialog),
// saves the dialog as the user sees it and closes it as "No" or "Cancel" would. A dialog the
// system draws (the file dialog on Windows) is no widget to grab: `wholeScreen` saves the screen.
void saveModal(const QString& file, const std::function<void()>& open, bool wholeScreen = false) {
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&poll, file, wholeScreen] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible()) return;
        poll.stop();
        QCoreApplication::processEvents();
        QScreen* screen = dialog->screen();
        if (wholeScreen && screen != nullptr) {
            // A native dialog paints after it is shown.
            QElapsedTimer wait;
            wait.start();
            while (wait.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
            screen->grabWindow(0).save(file);
        } else {
            dialog->grab().save(file);
        }
        dialog->reject();
    });
    poll.start();
    guard(open);
    poll.stop();
}

}  // namespace

void scheduleScreenshotTour(TForm1& form, const QString& folder, bool readFirst) {
    QTimer::singleShot(300, &form, [&form, folder, readFirst] {
        QDir().mkpath(folder);
        const QDir out(folder);
        // The window where the settings put it, on the whole screen.
        if (QScreen* screen = form.screen()) {
            screen->grabWindow(0).save(out.filePath(QStringLiteral("window-restored.png")));
        }
        // A size a user would give the window to see a table.
        form.showNormal();
        form.resize(form.size().expandedTo(QSize(900, 560)));
        if (readFirst) guard([&form] { form.Button3Click(); });
        const char* names[] = {"tab1-acquire-draw.png", "tab2-settings.png", "tab3-readme.png"};
        for (int tab : {1, 2, 0}) {
            form.PageControl1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            form.grab().save(out.filePath(QString::fromLatin1(names[tab])));
        }
        saveWithPopupMenu(form, out.filePath(QStringLiteral("popup-menu.png")));
        saveWithRecentBooks(form, out.filePath(QStringLiteral("recent-books.png")));
        saveModal(
            out.filePath(QStringLiteral("open-book-dialog.png")),
            [&form] { form.OpenBookButton->click(); }, true);
        // The question of a cell's size edit, with the buttons Qt labels.
        if (form.Button4->isEnabled()) {
            form.Edit11->setText(QStringLiteral("25"));
            saveModal(out.filePath(QStringLiteral("question-box.png")), [&form] {
                QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
                QCoreApplication::sendEvent(form.Edit11, &enter);
            });
            // The status line at the window's smallest, as an insert without a running CAD
            // leaves it (the insert itself would look for the CAD, which can take long).
            const std::filesystem::path& dxf = form.programFiles().dxfFile;
            form.StatusLabel->setText(
                QString::fromStdU16String(insertStatusText(InsertOutcome::savedWithoutCad, dxf)),
                QDir::toNativeSeparators(QString::fromStdU16String(dxf.u16string())));
            form.resize(form.minimumSizeHint());
            QCoreApplication::processEvents();
            form.grab().save(out.filePath(QStringLiteral("status-minimum.png")));
        }
        showAndSave(form.TargetCADForm, out.filePath(QStringLiteral("target-cad-dialog.png")));
        form.Form3->Edit1->setText(QStringLiteral("ボルト"));
        form.Form3->Edit2->setText(QStringLiteral("六角ボルト"));
        showAndSave(form.Form3, out.filePath(QStringLiteral("replace-dialog.png")));
        form.close();
    });
}

}  // namespace tabrova::app
