// The application object. The handlers run through guard() (Messages.h), which shows what they
// throw in the standard error box; this object is the last net for anything else, so that nothing
// leaves the event loop and the program goes on.
#pragma once

#include <QApplication>
#include <QString>
#include <QTranslator>
#include <functional>
#include <memory>
#include <optional>

#include "settings/ProgramFiles.h"

namespace tabrova::app {

class TForm1;

// Makes the calling thread a single-threaded COM apartment (nothing where there is no COM). The
// program's entry calls it first, before the application object exists: Qt's Windows platform
// initialises OLE on the thread, and the message filter needs the apartment. Returns the reason
// when it fails.
std::optional<QString> initializeComApartment();

// The main window for the program's files that `locate` finds. What start-up needs beyond the
// files (the program's folder, code page 932) may be missing: then no window, and `failure` holds
// "Tabrova を起動できませんでした." with the reason, for the entry to show before it exits with 1.
std::unique_ptr<TForm1> createMainWindow(const std::function<ProgramFiles()>& locate,
                                         QString& failure);

class TabrovaApplication : public QApplication {
public:
    TabrovaApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

private:
    QTranslator qtTexts_;
};

}  // namespace tabrova::app
