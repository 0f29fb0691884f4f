// Acting on a dialog while the code under test shows it modally; its order of keyboard focus.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QTimer>
#include <QWidget>
#include <functional>

namespace tabrova::app::testing {

// Calls `open` (which is expected to show `dialog` modally) and runs `act` inside the dialog's
// event loop once the dialog is visible. A dialog that `act` leaves open is rejected, so that a
// failing test cannot hang. Returns whether the dialog was shown.
inline bool whileModal(QDialog* dialog, const std::function<void()>& open,
                       const std::function<void()>& act) {
    bool shown = false;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (shown || !dialog->isVisible()) return;
        shown = true;
        poll.stop();
        EXPECT_TRUE(dialog->isModal());
        act();
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog->reject();
        }
    });
    poll.start();
    open();
    poll.stop();
    return shown;
}

// The widgets that Tab visits, in order, starting at `first`.
inline QList<QWidget*> tabChain(QWidget* first) {
    QList<QWidget*> chain{first};
    for (QWidget* w = first->nextInFocusChain(); w != first; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->window() == first->window()) chain << w;
    }
    return chain;
}

}  // namespace tabrova::app::testing
