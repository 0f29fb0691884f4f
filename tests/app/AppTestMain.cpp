// The tests run inside the program's own application object, on the offscreen platform unless
// another one is asked for.
#include <gtest/gtest.h>

#include <cstdio>

#include "app/TabrovaApplication.h"

namespace {

// The offscreen platform warns about window features it lacks; keep the test output readable.
QtMessageHandler defaultHandler = nullptr;

void filterMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.contains(QLatin1String("propagateSizeHints")) ||
        message.contains(QLatin1String("XDG_RUNTIME_DIR")) ||
        message.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    if (defaultHandler != nullptr) defaultHandler(type, context, message);
}

}  // namespace

int main(int argc, char** argv) {
    defaultHandler = qInstallMessageHandler(filterMessages);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    // The program's own start-up order: COM before the application object.
    if (const auto failure = tabrova::app::initializeComApartment()) {
        fprintf(stderr, "%s\n", failure->toUtf8().constData());
        return 1;
    }
    tabrova::app::TabrovaApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
