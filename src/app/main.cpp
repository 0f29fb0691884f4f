// Program entry: COM for this thread, the application object, the main window, the message loop.
// An optional argument names a workbook file to open as the source of "Excel から取得".
#include <QMessageBox>
#include <QStringList>
#include <exception>
#include <memory>
#include <optional>

#include "app/Messages.h"
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
    // What start-up needs beyond the program's files (its folder, code page 932) may be missing;
    // that ends the program with a message, not with std::terminate.
    std::unique_ptr<tabrova::app::TForm1> window;
    try {
        window = std::make_unique<tabrova::app::TForm1>(tabrova::locateProgramFiles());
    } catch (...) {
        QMessageBox::critical(nullptr, QStringLiteral("Tabrova"),
                              QStringLiteral("Tabrova を起動できませんでした.\n%1")
                                  .arg(tabrova::app::describeException(std::current_exception())));
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
