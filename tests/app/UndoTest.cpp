// Undo and redo in the main window: each kind of change brought back and done again, as the
// window shows it, and the keys that do it.
#include <xlsxwriter.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <functional>

#include "AppFixture.h"
#include "ModalDialog.h"
#include "app/OpenBookForm.h"
#include "app/Unit3.h"

namespace tabrova::app::testing {
namespace {

class Undo : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        previousHook_ = TForm1::confirmWorkbookHook();
        TForm1::confirmWorkbookHook() = [this](TOpenBookForm& dialog) {
            dialog.EditRange->setText(range_);
            dialog.accept();
            return true;
        };
        // A1:D4 of one sheet: "a1" ... "d4", column widths 10 and rows 15 points high.
        book_ = folder_ / "book.xlsx";
        lxw_workbook* book = workbook_new(book_.string().c_str());
        lxw_worksheet* sheet = workbook_add_worksheet(book, "表");
        for (lxw_row_t r = 0; r < 4; ++r) {
            for (lxw_col_t c = 0; c < 4; ++c) {
                const std::string text =
                    std::string(1, static_cast<char>('a' + c)) + std::to_string(r + 1);
                worksheet_write_string(sheet, r, c, text.c_str(), nullptr);
            }
            worksheet_set_row(sheet, r, 15, nullptr);
        }
        worksheet_set_column(sheet, 0, 3, 10, nullptr);
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    }
    void TearDown() override {
        TForm1::confirmWorkbookHook() = previousHook_;
        MainWindowTest::TearDown();
    }

    void read(const char* range) {
        range_ = QString::fromLatin1(range);
        ASSERT_TRUE(form_->openWorkbookFile(book_));
        messages_.clear();
        form_->Button3->click();
        ASSERT_TRUE(messages_.empty());
    }

    // What the window shows of the table and the grid: the records, every grid text (fixed
    // ones included), the totals, the caption and the range read.
    auto view() const {
        QStringList texts;
        StringGrid* grid = form_->StringGrid1;
        for (int r = 0; r < grid->rowCount(); ++r)
            for (int c = 0; c < grid->colCount(); ++c) texts << grid->cell(c, r);
        return std::tuple(form_->cellTable().cells, texts, form_->Label4->text(),
                          form_->windowTitle(), form_->Edit3->text(), form_->Button4->isEnabled());
    }

    QAction* item(const char* name) const {
        return form_->PopupMenu1->findChild<QAction*>(QString::fromLatin1(name));
    }

    // Presses a key where the focus is, with the window active, as the user does.
    void press(QWidget* target, Qt::Key key, Qt::KeyboardModifiers modifiers) {
        form_->activateWindow();
        ASSERT_TRUE(
            QTest::qWaitFor([this] { return QApplication::activeWindow() == form_.get(); }));
        target->setFocus();
        QTest::keyClick(target, key, modifiers);
        QApplication::processEvents();
    }

    std::filesystem::path book_;
    QString range_;
    std::function<bool(TOpenBookForm&)> previousHook_;
};

TEST_F(Undo, EachKindOfChangeIsUndoneAndRedoneInOneStep) {
    const struct {
        const char* name;
        std::function<void()> change;
    } cases[] = {
        {"typing in the edit box",
         [this] {
             clickCell(2, 2);
             form_->Edit1->setFocus();
             form_->Edit1->end(false);
             QTest::keyClicks(form_->Edit1, "xyz");
             ASSERT_EQ(form_->StringGrid1->cell(2, 2), "b2xyz");
             clickCell(3, 3);
         }},
        {"an edit in place",
         [this] {
             clickCell(3, 1);
             QTest::keyClick(form_->StringGrid1, Qt::Key_Q);
             auto* editor = form_->StringGrid1->viewport()->findChild<QLineEdit*>();
             ASSERT_NE(editor, nullptr);
             QTest::keyClicks(editor, "rs");
             QTest::keyClick(editor, Qt::Key_Return);
             QApplication::processEvents();
             ASSERT_EQ(form_->StringGrid1->cell(3, 1), "qrs");
             clickCell(1, 1);
         }},
        {"a conversion of the pop-up menu",
         [this] {
             form_->StringGrid1->setSelection({1, 2, 2, 3});
             item("N1")->trigger();
             ASSERT_EQ(form_->StringGrid1->cell(2, 3), "ｂ３");
             clickCell(4, 4);
         }},
        {"a replace",
         [this] {
             form_->StringGrid1->setSelection({1, 1, 4, 4});
             ASSERT_TRUE(whileModal(
                 form_->Form3, [this] { item("N4")->trigger(); },
                 [this] {
                     form_->Form3->Edit1->setText("3");
                     form_->Form3->Edit2->setText("33");
                     form_->Form3->Button1->click();
                 }));
             ASSERT_EQ(form_->StringGrid1->cell(4, 3), "d33");
         }},
        {"a base point",
         [this] {
             clickFixedCell(2, 0);
             form_->SpeedButton3->click();
             ASSERT_EQ(form_->cellTable().at(1, 3).txtAlign, alignRight);
             clickCell(1, 1);
         }},
        {"a row height",
         [this] {
             clickCell(1, 2);
             form_->Edit12->setText("2.5");
             answers_.push_back(MessageAnswer::yes);
             QTest::keyClick(form_->Edit12, Qt::Key_Return);
             ASSERT_EQ(form_->cellTable().at(3, 1).drawH, 2.5);
         }},
        {"a scale typed digit by digit",
         [this] {
             form_->PageControl1->setCurrentIndex(1);
             form_->Edit6->clear();
             QTest::keyClicks(form_->Edit6, "25");
             form_->PageControl1->setCurrentIndex(0);
             ASSERT_EQ(form_->cellTable().at(0, 0).drawW, 250);
         }},
        {"a read of another range", [this] { read("B2:C4"); }},
    };
    read("A1:D4");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto before = view();
        const std::size_t steps = form_->editHistory().undoCount();
        c.change();
        const auto after = view();
        ASSERT_NE(before, after);
        EXPECT_EQ(form_->editHistory().undoCount(), steps + 1);
        form_->Undo();
        EXPECT_EQ(view(), before);
        // The boxes and buttons above the grid show the current cell.
        StringGrid* grid = form_->StringGrid1;
        const TXlsxCellAttr& cell = form_->cellTable().at(grid->col() - 1, grid->row() - 1);
        EXPECT_EQ(form_->Edit1->text(), grid->cell(grid->col(), grid->row()));
        EXPECT_EQ(form_->Edit12->text(), QString::number(cell.drawH, 'f', 3));
        EXPECT_EQ(form_->SpeedButton3->autoRaise(), cell.txtAlign != alignRight);
        form_->Redo();
        EXPECT_EQ(view(), after);
    }
    // Everything undone, the first read included: the window as it started.
    while (form_->editHistory().canUndo()) form_->Undo();
    EXPECT_TRUE(form_->cellTable().empty());
    EXPECT_EQ(form_->StringGrid1->colCount(), 5);
    EXPECT_EQ(form_->StringGrid1->cell(1, 1), "");
    EXPECT_FALSE(form_->Button4->isEnabled());
    EXPECT_EQ(form_->Label4->text(), "選択されているセル範囲が対象です。");
    EXPECT_EQ(form_->Edit11->text(), "");
    while (form_->editHistory().canRedo()) form_->Redo();
    EXPECT_EQ(form_->StringGrid1->cell(1, 1), "b2");
    EXPECT_EQ(form_->Edit2->text(), "B2");
    EXPECT_TRUE(form_->Button4->isEnabled());
}

TEST_F(Undo, KeysUndoAndRedoAndLineEditsKeepTheirOwnUndoFirst) {
    read("A1:D4");
    StringGrid* grid = form_->StringGrid1;
    grid->setSelection({1, 1, 1, 1});
    item("N1")->trigger();
    ASSERT_EQ(grid->cell(1, 1), "ａ１");

    press(grid, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid->cell(1, 1), "a1");
    press(grid, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(grid->cell(1, 1), "ａ１");
    press(grid, Qt::Key_Z, Qt::ControlModifier);
    press(grid, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(grid->cell(1, 1), "ａ１");

    // Typed into the edit box: the box undoes its own typing first, then the window its steps.
    clickCell(2, 1);
    form_->Edit1->setFocus();
    form_->Edit1->end(false);
    QTest::keyClicks(form_->Edit1, "!");
    ASSERT_EQ(grid->cell(2, 1), "b1!");
    press(form_->Edit1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid->cell(2, 1), "b1");
    EXPECT_EQ(grid->cell(1, 1), "ａ１");
    press(form_->Edit1, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(grid->cell(1, 1), "a1") << "the conversion";
    EXPECT_EQ(grid->cell(2, 1), "b1");
    EXPECT_EQ(form_->Edit1->text(), "a1") << "the undone cell is current again";
}

}  // namespace
}  // namespace tabrova::app::testing
