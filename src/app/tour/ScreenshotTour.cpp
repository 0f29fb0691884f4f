#include "app/tour/ScreenshotTour.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QSize>
#include <QTimer>

#include "app/Messages.h"
#include "app/TabrovaUnit.h"
#include "app/TaregetCADUnit.h"
#include "app/Unit3.h"

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

}  // namespace

void scheduleScreenshotTour(TForm1& form, const QString& folder, bool readFirst) {
    QTimer::singleShot(300, &form, [&form, folder, readFirst] {
        QDir().mkpath(folder);
        const QDir out(folder);
        // A size a user would give the window to see a table.
        form.resize(form.size().expandedTo(QSize(900, 560)));
        if (readFirst) guard([&form] { form.Button3Click(); });
        const char* names[] = {"tab1-acquire-draw.png", "tab2-settings.png", "tab3-readme.png"};
        for (int tab : {1, 2, 0}) {
            form.PageControl1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            form.grab().save(out.filePath(QString::fromLatin1(names[tab])));
        }
        saveWithPopupMenu(form, out.filePath(QStringLiteral("popup-menu.png")));
        showAndSave(form.TargetCADForm, out.filePath(QStringLiteral("target-cad-dialog.png")));
        form.Form3->Edit1->setText(QStringLiteral("ボルト"));
        form.Form3->Edit2->setText(QStringLiteral("六角ボルト"));
        showAndSave(form.Form3, out.filePath(QStringLiteral("replace-dialog.png")));
        form.close();
    });
}

}  // namespace tabrova::app
