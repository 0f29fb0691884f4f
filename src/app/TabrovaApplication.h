// The application object: one place that catches whatever escapes an event handler and shows it
// in the standard error box, so that nothing leaves the event loop and the program goes on.
#pragma once

#include <QApplication>

namespace tabrova::app {

class TabrovaApplication : public QApplication {
public:
    TabrovaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace tabrova::app
