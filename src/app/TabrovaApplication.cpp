#include "app/TabrovaApplication.h"

#include "app/Messages.h"
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

TabrovaApplication::TabrovaApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Tabrova"));
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
