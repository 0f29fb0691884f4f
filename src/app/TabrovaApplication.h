// The application object. The handlers run through guard() (Messages.h), which shows what they
// throw in the standard error box; this object is the last net for anything else, so that nothing
// leaves the event loop and the program goes on.
#pragma once

#include <QApplication>

namespace tabrova::app {

class TabrovaApplication : public QApplication {
public:
    TabrovaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tabrova::app
