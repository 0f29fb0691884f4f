// Keyboard use of the main window: leaving the grid, moving between the tabs and the shortcut
// keys of the workbook, replace and preview commands.
#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>

#include "AppFixture.h"
#include "ModalDialog.h"
#include "app/PreviewForm.h"
#include "app/Unit3.h"

namespace tabrova::app::testing {
namespace {

class Keyboard : public MainWindowTest {
protected:
    // What a key press led to.
    struct Outcome {
        QWidget* focus = nullptr;
        int page = -1;
        QString dialogTitle;  // the modal dialog it opened, if any
        bool previewVisible = false;
    };

    // Activates the window of `target`, gives it the focus and presses the key there. A modal
    // dialog opened by the key is noted; the replace dialog replaces "ｘ" by "y", any other one is
    // closed unanswered.
    Outcome press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        // Shortcut keys go to the application's active window, which follows the window system's
        // activation a little later.
        QWidget* window = target->window();
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitFor([window] { return QApplication::activeWindow() == window; }));
        target->setFocus();
        Outcome outcome;
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr || !dialog->isVisible()) return;
            poll.stop();
            outcome.dialogTitle = dialog->windowTitle();
            if (dialog == form_->Form3) {
                form_->Form3->Edit1->setText(QStringLiteral("ｘ"));
                form_->Form3->Edit2->setText(QStringLiteral("y"));
                form_->Form3->Button1->click();
            } else {
                dialog->reject();
            }
        });
        poll.start();
        QTest::keyClick(target, key, modifiers);
        QApplication::processEvents();
        outcome.focus = QApplication::focusWidget();
        outcome.page = form_->PageControl1->currentIndex();
        outcome.previewVisible = form_->PreviewForm->isVisible();
        return outcome;
    }

    // The grid with its editor open on cell (1, 1), a text typed into it.
    QWidget* gridEditor() {
        StringGrid* grid = form_->StringGrid1;
        grid->setFocus();
        grid->setCurrentCell(1, 1);
        QTest::keyClick(grid, Qt::Key_F2);
        auto* editor = grid->viewport()->findChild<QLineEdit*>();
        EXPECT_NE(editor, nullptr);
        QTest::keyClicks(editor, "typed");
        return editor;
    }
};

TEST_F(Keyboard, KeysMoveTheFocusSwitchTabsAndRunTheirCommands) {
    StringGrid* grid = form_->StringGrid1;
    // The controls Tab reaches from the grid: those of the tab shown, a tab widget through its
    // tab bar.
    QList<QWidget*> chain = tabChain(grid);
    chain.removeIf([](const QWidget* w) {
        return !w->isVisible() || !w->isEnabled() || w->focusProxy() != nullptr;
    });
    ASSERT_GE(chain.size(), 3);
    QWidget* afterGrid = chain[1];
    QWidget* beforeGrid = chain.back();

    struct Case {
        const char* name;
        int page;                         // the tab shown before the key
        std::function<QWidget*()> where;  // where the key is pressed
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        std::function<void(const Outcome&)> expect;
    };
    auto inGrid = [grid]() -> QWidget* { return grid; };
    auto inEdit11 = [this]() -> QWidget* { return form_->Edit11; };
    auto inEdit6 = [this]() -> QWidget* { return form_->Edit6; };
    auto inEditor = [this] { return gridEditor(); };
    auto inPreview = [this]() -> QWidget* {
        form_->PreviewButton->click();
        return form_->PreviewForm->view();
    };
    auto focusOn = [](QWidget* expected) {
        return [expected](const Outcome& o) { EXPECT_EQ(o.focus, expected); };
    };
    auto pageIs = [](int page) { return [page](const Outcome& o) { EXPECT_EQ(o.page, page); }; };
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers ctrlShift = Qt::ControlModifier | Qt::ShiftModifier;
    const Case cases[] = {
        {"Tab leaves the grid", 0, inGrid, Qt::Key_Tab, {}, focusOn(afterGrid)},
        {"Shift+Tab leaves the grid", 0, inGrid, Qt::Key_Backtab, Qt::ShiftModifier,
         focusOn(beforeGrid)},
        {"Tab in the cell editor keeps the text and leaves the grid",
         0,
         inEditor,
         Qt::Key_Tab,
         {},
         [afterGrid, grid](const Outcome& o) {
             EXPECT_EQ(o.focus, afterGrid);
             EXPECT_EQ(grid->cell(1, 1), "typed");
         }},
        {"Down stays in the grid",
         0,
         inGrid,
         Qt::Key_Down,
         {},
         [grid](const Outcome& o) {
             EXPECT_EQ(o.focus, grid);
             EXPECT_EQ(grid->row(), 2);
         }},
        {"Enter stays in the grid", 0, inGrid, Qt::Key_Return, {}, focusOn(grid)},
        {"Ctrl+Tab in the grid", 0, inGrid, Qt::Key_Tab, ctrl, pageIs(1)},
        {"Ctrl+Shift+Tab in the grid", 0, inGrid, Qt::Key_Backtab, ctrlShift, pageIs(2)},
        {"Ctrl+Tab in the cell editor", 0, inEditor, Qt::Key_Tab, ctrl, pageIs(1)},
        {"Ctrl+Tab in a size box", 0, inEdit11, Qt::Key_Tab, ctrl, pageIs(1)},
        {"Ctrl+Shift+Tab in a scale box", 1, inEdit6, Qt::Key_Backtab, ctrlShift, pageIs(0)},
        {"Ctrl+O opens a workbook", 0, inGrid, Qt::Key_O, ctrl,
         [](const Outcome& o) { EXPECT_EQ(o.dialogTitle, "ブックを開く"); }},
        {"Ctrl+O from the settings tab", 1, inEdit6, Qt::Key_O, ctrl,
         [](const Outcome& o) { EXPECT_EQ(o.dialogTitle, "ブックを開く"); }},
        {"Ctrl+H replaces in the selection", 0, inGrid, Qt::Key_H, ctrl,
         [this, grid](const Outcome& o) {
             EXPECT_EQ(o.dialogTitle, "置換");
             EXPECT_EQ(grid->cell(1, 1), "y");
             EXPECT_EQ(grid->cell(2, 1), "ｘ") << "outside the selection";
             ASSERT_EQ(messages_.size(), 1u);
         }},
        {"Esc closes the preview",
         0,
         inPreview,
         Qt::Key_Escape,
         {},
         [](const Outcome& o) { EXPECT_FALSE(o.previewVisible); }},
        {"Esc in the main window leaves the preview open",
         0,
         [this]() -> QWidget* {
             form_->PreviewButton->click();
             return form_->Edit11;
         },
         Qt::Key_Escape,
         {},
         [](const Outcome& o) { EXPECT_TRUE(o.previewVisible); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form_->PreviewForm->hide();
        messages_.clear();
        grid->setShape(3, 3);
        for (int r = 1; r <= 2; ++r) {
            for (int col = 1; col <= 2; ++col) grid->setCell(col, r, QStringLiteral("ｘ"));
        }
        grid->setCurrentCell(1, 1);
        form_->PageControl1->setCurrentIndex(c.page);
        c.expect(press(c.where(), c.key, c.modifiers));
    }
}

}  // namespace
}  // namespace tabrova::app::testing
