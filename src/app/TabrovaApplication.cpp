#include "app/TabrovaApplication.h"

#include "app/Messages.h"

namespace tabrova::app {

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
