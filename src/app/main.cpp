// Program entry: COM for this thread, the application object, the main window, the message loop.
// An optional argument names a workbook file to open as the source of "Excel から取得".
#include <QMessageBox>
#include <QStringList>
#include <memory>
#include <optional>

#include "app/TabrovaApplication.h"
#include "app/TabrovaUnit.h"
#include "platform/Console.h"
#include "settings/ProgramFiles.h"

int main(int argc, char** argv) {
    // COM first: the user-interface thread must be a single-threaded apartment before Qt or
    // anything else touches COM.
    const std::optional<QString> comFailure = tabrova::app::initializeComApartment();
    tabrova::app::TabrovaApplication application(argc, argv);
    if (comFailure) {
        QMessageBox::critical(nullptr, QStringLiteral("Tabrova"), *comFailure);
        return 1;
    }
    QString failure;
    const std::unique_ptr<tabrova::app::TForm1> window =
        tabrova::app::createMainWindow([] { return tabrova::locateProgramFiles(); }, failure);
    if (!window) {
        QMessageBox::critical(nullptr, QStringLiteral("Tabrova"), failure);
        return 1;
    }
    tabrova::app::TForm1& form = *window;
    form.show();

    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1) {
        // Byte for byte where the name is bytes: Qt's text of a name that is not UTF-8 would
        // name another file.
        form.openWorkbookFile(
            tabrova::platform::pathArgument(argv, 1, arguments.at(1).toStdU16String()));
    }
    return application.exec();
}
