// Program entry: the application object, the main window, the message loop.
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include "app/TabrovaApplication.h"
#include "app/ScreenshotTour.h"
#include "app/TabrovaUnit.h"

int main(int argc, char** argv) {
    tabrova::app::TabrovaApplication application(argc, argv);
    const std::filesystem::path programFolder =
        QDir(QCoreApplication::applicationDirPath()).filesystemAbsolutePath();
    tabrova::app::TForm1 form(programFolder);
    form.show();
    tabrova::app::scheduleScreenshotTour(form, false);
    return application.exec();
}
