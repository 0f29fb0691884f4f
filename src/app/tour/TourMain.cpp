// tabrova-screenshot-tour FOLDER [WORKBOOK.xlsx]: starts the desktop program's window as the
// program does, reads the workbook (its saved sheet and selection) when one is named, saves the
// pictures of the tour into FOLDER and ends.
#include <QMessageBox>
#include <QStringList>
#include <cstdio>

#include "app/OpenBookForm.h"
#include "app/TabrovaApplication.h"
#include "app/TabrovaUnit.h"
#include "app/tour/ScreenshotTour.h"
#include "settings/ProgramFiles.h"

int main(int argc, char** argv) {
    const std::optional<QString> comFailure = tabrova::app::initializeComApartment();
    tabrova::app::TabrovaApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (comFailure || arguments.size() < 2) {
        std::fprintf(stderr, "%s\n",
                     comFailure ? comFailure->toLocal8Bit().constData()
                                : "usage: tabrova-screenshot-tour FOLDER [WORKBOOK.xlsx]");
        return 2;
    }
    tabrova::app::TForm1 form(tabrova::locateProgramFiles());
    form.show();
    // The sheet and range dialog is confirmed as it comes.
    tabrova::app::TForm1::confirmWorkbookHook() = [](tabrova::app::TOpenBookForm& dialog) {
        dialog.accept();
        return dialog.result() == QDialog::Accepted;
    };
    const bool opened =
        arguments.size() > 2 &&
        form.openWorkbookFile(std::filesystem::path(arguments.at(2).toStdU16String()));
    tabrova::app::scheduleScreenshotTour(form, arguments.at(1), opened);
    return application.exec();
}
