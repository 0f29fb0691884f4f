#include <QAbstractButton>
#include <QAction>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <array>

#include "AppFixture.h"
#include "ModalDialog.h"
#include "app/Unit3.h"

namespace tabrova::app::testing {
namespace {

class PopupMenu : public MainWindowTest {
protected:
    // A grid of 3 columns and 5 rows of data; column 2 holds `column`, the other cells "x".
    void fillGrid(const std::vector<QString>& column) {
        StringGrid* grid = form_->StringGrid1;
        grid->setShape(4, 6);
        for (int r = 1; r <= 5; ++r) {
            for (int c = 1; c <= 3; ++c) grid->setCell(c, r, QStringLiteral("ｘ"));
            grid->setCell(2, r,
                          r - 1 < static_cast<int>(column.size()) ? column[r - 1] : QString());
        }
    }

    QStringList column(int col) const {
        QStringList texts;
        for (int r = 1; r <= 5; ++r) texts << form_->StringGrid1->cell(col, r);
        return texts;
    }

    QAction* item(const char* name) const {
        return form_->PopupMenu1->findChild<QAction*>(QString::fromLatin1(name));
    }

    // Right-clicks the grid over data cell (col, row), as the window system delivers it: the
    // button press, its release, then the context menu request.
    void rightClickCell(int col, int row) {
        StringGrid* grid = form_->StringGrid1;
        const QPoint at = grid->visualRect(grid->gridModel()->index(row - 1, col - 1)).center();
        QTest::mousePress(grid->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(grid->viewport(), Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, grid->viewport()->mapToGlobal(at));
        QApplication::sendEvent(grid->viewport(), &request);
    }

    // Chooses an item of the open menu by clicking it.
    void choose(const char* name) {
        QMenu* menu = form_->PopupMenu1;
        ASSERT_TRUE(menu->isVisible());
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(item(name)).center());
    }

    TForm3* form3() const { return form_->Form3; }

    // Runs "置換" from the menu with the dialog answered by `act`.
    bool replace(const std::function<void()>& act) {
        rightClickCell(2, 1);
        return whileModal(
            form3(), [this] { choose("N4"); }, act);
    }
};

TEST_F(PopupMenu, RightClickOpensTheMenuAndKeepsTheSelection) {
    fillGrid({"a", "b", "c", "d", "e"});
    form_->StringGrid1->setSelection(GridSelection{1, 2, 2, 3});
    rightClickCell(3, 5);
    EXPECT_TRUE(form_->PopupMenu1->isVisible());
    const GridSelection sel = form_->StringGrid1->selection();
    EXPECT_EQ((std::array{sel.left, sel.top, sel.right, sel.bottom}), (std::array{1, 2, 2, 3}));
    choose("N1");
    EXPECT_FALSE(form_->PopupMenu1->isVisible());
    EXPECT_EQ(column(1), (QStringList{"ｘ", "ｘ", "ｘ", "ｘ", "ｘ"}));
    EXPECT_EQ(column(2), (QStringList{"a", "ｂ", "ｃ", "d", "e"}));
    EXPECT_EQ(column(3), (QStringList{"ｘ", "ｘ", "ｘ", "ｘ", "ｘ"}))
        << "the clicked cell is not selected";
}

TEST_F(PopupMenu, RightClickOnTheFixedRowColumnOrCornerOpensTheMenuAndKeepsTheSelection) {
    fillGrid({"a", "b", "c", "d", "e"});
    StringGrid* grid = form_->StringGrid1;
    grid->setSelection(GridSelection{2, 1, 2, 5});
    for (QWidget* target :
         {grid->horizontalHeader()->viewport(), grid->verticalHeader()->viewport(),
          static_cast<QWidget*>(grid->findChild<QAbstractButton*>())}) {
        const QPoint at(5, 5);
        QTest::mousePress(target, Qt::RightButton, {}, at);
        QTest::mouseRelease(target, Qt::RightButton, {}, at);
        QContextMenuEvent request(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
        QApplication::sendEvent(target, &request);
        EXPECT_TRUE(form_->PopupMenu1->isVisible()) << target->metaObject()->className();
        const GridSelection sel = grid->selection();
        EXPECT_EQ((std::array{sel.left, sel.top, sel.right, sel.bottom}), (std::array{2, 1, 2, 5}));
        form_->PopupMenu1->hide();
    }
}

TEST_F(PopupMenu, EachConversionRewritesTheColumnSelectedByItsHeader) {
    const struct {
        const char* item;
        std::vector<QString> before;
        QStringList after;
    } cases[] = {
        {"N1", {"abc", "", "1-2", "ｶﾅ", "Ａ"}, {"ａｂｃ", "", "１－２", "カナ", "Ａ"}},
        {"N12",
         {"123", "-5", "ABC-D", "A1", "abc def"},
         {"123", "-5", "ABC-D", "Ａ１", "ａｂｃ　ｄｅｆ"}},
        {"N5", {"ｶﾞｳﾞﾊﾟ", "ｱﾞ", "ﾞ", "｡､ｶ", "漢字A"}, {"ガヴパ", "ア゛", "゛", "。、カ", "漢字A"}},
        {"N2", {"ＡＢＣ", "１２", "", "カナ", "abc"}, {"ABC", "12", "", "ｶﾅ", "abc"}},
        {"N6", {"１２Ａ", "烽P", "", "x", "０"}, {"12Ａ", "烽P", "", "x", "0"}},
        {"N7", {"Ａ１", "ｚ", "", "", "ＡＢ"}, {"A１", "z", "", "", "AB"}},
        {"N9", {"（ａ）", "｜", "￥", "＼", "＋－"}, {"(ａ)", "l", "\\", "＼", "+-"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.item);
        fillGrid(c.before);
        clickFixedCell(2, 0);
        rightClickCell(1, 1);
        choose(c.item);
        EXPECT_EQ(column(2), c.after);
        EXPECT_EQ(column(1), (QStringList{"ｘ", "ｘ", "ｘ", "ｘ", "ｘ"}));
        EXPECT_EQ(column(3), (QStringList{"ｘ", "ｘ", "ｘ", "ｘ", "ｘ"}));
    }
}

TEST_F(PopupMenu, ConversionsBeforeAReadChangeNothing) {
    rightClickCell(1, 1);
    choose("N1");
    for (int r = 0; r < form_->StringGrid1->rowCount(); ++r) {
        for (int c = 0; c < form_->StringGrid1->colCount(); ++c) {
            EXPECT_EQ(form_->StringGrid1->cell(c, r), "");
        }
    }
}

TEST_F(PopupMenu, ReplaceDialogIsBuiltHiddenAtItsPlaces) {
    TForm3* d = form3();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->parentWidget(), form_.get());
    EXPECT_EQ(d->windowTitle(), "置換");
    EXPECT_EQ(d->minimumSize(), QSize(218, 117));
    EXPECT_EQ(d->maximumSize(), QSize(218, 117));
    EXPECT_EQ(d->font().pixelSize(), 11);
    const struct {
        QWidget* widget;
        QPoint at;
        int width;
    } places[] = {
        {d->Label1, {16, 16}, 0},  {d->Edit1, {82, 13}, 121},  {d->Label2, {16, 43}, 0},
        {d->Edit2, {82, 40}, 121}, {d->Button1, {31, 80}, 75}, {d->Button2, {112, 80}, 75},
    };
    for (const auto& p : places) {
        EXPECT_EQ(p.widget->pos(), p.at) << p.widget->objectName().toStdString();
        if (p.width > 0) {
            EXPECT_EQ(p.widget->width(), p.width);
        }
    }
    EXPECT_EQ(d->Label1->text(), "検索文字列");
    EXPECT_EQ(d->Label2->text(), "置換文字列");
    EXPECT_EQ(d->Button1->text(), "実行");
    EXPECT_EQ(d->Button2->text(), "中止");
    EXPECT_EQ(tabChain(d->Edit1), (QList<QWidget*>{d->Edit1, d->Edit2, d->Button1, d->Button2}));
    EXPECT_TRUE(d->Button1->isDefault()) << "Enter presses 実行";
    EXPECT_FALSE(d->Button2->isDefault());
}

TEST_F(PopupMenu, ReplaceCountsTheChangedCellsAndKeepsItsTexts) {
    fillGrid({"banana", "", "ABC", "", "abc"});
    clickFixedCell(2, 0);
    ASSERT_TRUE(replace([this] {
        QTest::keyClicks(form3()->Edit1, "an");
        QTest::keyClick(form3()->Edit1, Qt::Key_Escape);
        EXPECT_TRUE(form3()->isVisible()) << "Esc leaves the dialog open";
        QTest::keyClicks(form3()->Edit2, "on");
        QTest::keyClick(form3()->Edit2, Qt::Key_Return);  // presses 実行
    }));
    EXPECT_EQ(column(2), (QStringList{"bonana", "", "ABC", "", "abc"}));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "1 個の文字列を置換しました.");

    // The dialog keeps its texts; an empty replacement removes the first occurrence only.
    form_->StringGrid1->setCell(2, 3, "abcabc");
    form_->StringGrid1->setCell(2, 5, "ABC");
    ASSERT_TRUE(replace([this] {
        EXPECT_EQ(form3()->Edit1->text(), "an");
        EXPECT_EQ(form3()->Edit2->text(), "on");
        form3()->Edit1->setText("abc");
        form3()->Edit2->clear();
        QTest::mouseClick(form3()->Button1, Qt::LeftButton);
    }));
    EXPECT_EQ(column(2), (QStringList{"bonana", "", "abc", "", "ABC"}));
    ASSERT_EQ(messages_.size(), 2u);
    EXPECT_EQ(messages_[1].text, "1 個の文字列を置換しました.");

    // A search string found nowhere replaces nothing and says so. Each opening starts in the
    // search box, whatever button was last pressed, so that Enter presses 実行.
    ASSERT_TRUE(replace([this] {
        EXPECT_EQ(form3()->focusWidget(), form3()->Edit1);
        EXPECT_EQ(form3()->Edit1->selectedText(), "abc");
        form3()->Edit1->setText("ZZZ");
        QTest::keyClick(form3()->Edit1, Qt::Key_Enter);
    }));
    EXPECT_EQ(column(2), (QStringList{"bonana", "", "abc", "", "ABC"}));
    ASSERT_EQ(messages_.size(), 3u);
    EXPECT_EQ(messages_[2].text, "0 個の文字列を置換しました.");
}

TEST_F(PopupMenu, CancelledReplaceChangesNothingAndSaysNothing) {
    const struct {
        const char* how;
        std::function<void(TForm3*)> cancel;
    } ways[] = {
        {"中止", [](TForm3* d) { QTest::mouseClick(d->Button2, Qt::LeftButton); }},
        {"close box", [](TForm3* d) { d->close(); }},
        {"Enter on 中止", [](TForm3* d) { QTest::keyClick(d->Button2, Qt::Key_Return); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        fillGrid({"banana", "", "ABC", "", "abc"});
        clickFixedCell(0, 0);
        ASSERT_TRUE(replace([&] {
            form3()->Edit1->setText("a");
            form3()->Edit2->setText("o");
            way.cancel(form3());
        }));
        EXPECT_EQ(column(2), (QStringList{"banana", "", "ABC", "", "abc"}));
        EXPECT_TRUE(messages_.empty());
    }
}

TEST_F(PopupMenu, ReplaceOverTheCornerSelectionCoversEveryDataCell) {
    fillGrid({"a", "b", "", "a", "a"});
    clickFixedCell(0, 0);
    ASSERT_TRUE(replace([this] {
        form3()->Edit1->setText("ｘ");
        form3()->Edit2->setText("y");
        QTest::mouseClick(form3()->Button1, Qt::LeftButton);
    }));
    EXPECT_EQ(column(1), (QStringList{"y", "y", "y", "y", "y"}));
    EXPECT_EQ(column(3), (QStringList{"y", "y", "y", "y", "y"}));
    EXPECT_EQ(column(2), (QStringList{"a", "b", "", "a", "a"}));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "10 個の文字列を置換しました.");
}

}  // namespace
}  // namespace tabrova::app::testing
