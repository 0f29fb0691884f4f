#include "app/TabrovaApplication.h"

#include "app/Messages.h"
#include "app/TabrovaUnit.h"
#include "platform/Automation.h"

namespace tabrova::app {

std::optional<QString> initializeComApartment() {
    try {
        automation::initializeAutomation();
    } catch (const automation::AutomationError& e) {
        return QString::fromStdU16String(e.message());
    }
    return std::nullopt;
}

std::unique_ptr<TForm1> createMainWindow(const std::function<ProgramFiles()>& locate,
                                         QString& failure) {
    try {
        return std::make_unique<TForm1>(locate());
    } catch (...) {
        failure = QStringLiteral("Tabrova を起動できませんでした.\n%1")
                      .arg(describeException(std::current_exception()));
        return nullptr;
    }
}

TabrovaApplication::TabrovaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tabrova"));
    // Qt's own texts (the buttons of its dialogs and message boxes, a text field's edit menu) in
    // Japanese like the rest of the window, whatever the user's locale. The catalogue is built
    // into the program (see src/app/CMakeLists.txt), so that it is there wherever the program
    // runs, a Windows program unzipped anywhere included.
    if (qtTexts_.load(QStringLiteral(":/translations/qtbase_ja.qm"))) {
        installTranslator(&qtTexts_);
    }
}

bool TabrovaApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showErrorBox(std::current_exception());
        return true;
    }
}

}  // namespace tabrova::app
