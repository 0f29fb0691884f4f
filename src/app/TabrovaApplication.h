// The application object. The handlers run through guard() (Messages.h), which shows what they
// throw in the standard error box; this object is the last net for anything else, so that nothing
// leaves the event loop and the program goes on.
#pragma once

#include <QApplication>
#include <QString>
#include <optional>

namespace tabrova::app {

// Makes the calling thread a single-threaded COM apartment (nothing where there is no COM). The
// program's entry calls it first, before the application object exists: Qt's Windows platform
// initialises OLE on the thread, and the message filter needs the apartment. Returns the reason
// when it fails.
std::optional<QString> initializeComApartment();

class TabrovaApplication : public QApplication {
public:
    TabrovaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tabrova::app
