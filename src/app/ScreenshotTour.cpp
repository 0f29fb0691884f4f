#include "app/ScreenshotTour.h"

#include <QCoreApplication>
#include <QDir>
#include <QPixmap>
#include <QSize>
#include <QTimer>

#include "app/Messages.h"
#include "app/TabrovaUnit.h"

namespace tabrova::app {

bool scheduleScreenshotTour(TForm1& form, bool readFirst) {
    const QString folder = qEnvironmentVariable("TABROVA_SCREENSHOT_DIR");
    if (folder.isEmpty()) return false;
    QTimer::singleShot(300, &form, [&form, folder, readFirst] {
        QDir().mkpath(folder);
        // A size a user would give the window to see a table.
        form.resize(form.size().expandedTo(QSize(900, 560)));
        if (readFirst) guard([&form] { form.Button3Click(); });
        const char* names[] = {"tab1-acquire-draw.png", "tab2-settings.png", "tab3-readme.png"};
        for (int tab : {1, 2, 0}) {
            form.PageControl1->setCurrentIndex(tab);
            QCoreApplication::processEvents();
            form.grab().save(QDir(folder).filePath(QString::fromLatin1(names[tab])));
        }
        form.close();
    });
    return true;
}

}  // namespace tabrova::app
