#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QToolButton>
#include <algorithm>
#include <array>
#include <cmath>
#include <fstream>
#include <stdexcept>

#include "AppFixture.h"
#include "app/TabrovaApplication.h"
#include "platform/UserLocale.h"
#include "settings/Settings.h"
#include "table/CellGeometry.h"

namespace tabrova::app::testing {
namespace {

class MainWindow : public MainWindowTest {
protected:
    // Fills the table and the grid as a read of B2:D5 does: three columns 8, 9 and 10 wide,
    // rows 14 points high, font size 11; B2:C2 is merged.
    void loadTable() {
        CellTable& table = form_->cellTable();
        table.colCount = 3;
        table.rowCount = 4;
        table.cells.assign(12, TXlsxCellAttr{});
        StringGrid* grid = form_->StringGrid1;
        grid->setShape(4, 5);
        grid->setColWidth(0, 70);
        for (int r = 0; r < 4; ++r) {
            grid->setCell(0, r + 1, QString::number(r + 2));
            for (int c = 0; c < 3; ++c) {
                TXlsxCellAttr& cell = table.at(c, r);
                cell.colW = static_cast<std::uint16_t>(8 + c);
                cell.rowH = 14;
                cell.txtSize = 11;
                cell.mergecolXscount = cell.mergerowYscount = 1;
                cell.str = u"r" + std::u16string(1, char16_t(u'0' + r)) + u"c" +
                           std::u16string(1, char16_t(u'0' + c));
                grid->setCell(c + 1, r + 1, QString::fromStdU16String(cell.str));
                if (r == 0) {
                    grid->setCell(c + 1, 0, QString(QChar(u'B' + c)));
                    grid->setColWidth(c + 1, static_cast<int>(cell.colW * 8));
                }
                if (c == 0) grid->setRowHeight(r + 1, 42);
            }
        }
        for (int c = 0; c < 2; ++c) {
            TXlsxCellAttr& cell = table.at(c, 0);
            cell.cellMerge = true;
            cell.mergecolXscount = 2;
            cell.mergeLeft = 10;
            cell.mergeTop = 20;
        }
        grid->setCell(2, 1, QString());
        const WorkingSettings& s = form_->settings();
        calcCellDrawSizes(table, s.cadXsc, s.cadYsc, s.cadTsc);
        form_->ShowWHSize();
        form_->Button4->setEnabled(true);
        grid->setCurrentCell(1, 1);
        form_->StringGrid1Click();
    }

    static QString cellTextOf(StringGrid* grid, int col, int row) { return grid->cell(col, row); }
};

TEST_F(MainWindow, StartUpState) {
    EXPECT_EQ(form_->windowTitle(), "Tabrova");
    EXPECT_EQ(form_->PageControl1->currentIndex(), 0);
    EXPECT_EQ(form_->PageControl1->tabText(0), " 取得、描画");
    EXPECT_EQ(form_->PageControl1->tabText(1), " 設定、確認");
    EXPECT_EQ(form_->PageControl1->tabText(2), "ReadMe");

    const struct {
        const char* name;
        const char* text;
        const char* hint;
    } edits[] = {
        {"Edit16", "BricsCAD", ""},
        {"Edit2", "", ""},
        {"Edit3", "", ""},
        {"Edit1", "", "赤文字の時：改行コードが含まれている"},
        {"Edit11", "", "列幅 [Enter]で更新"},
        {"Edit12", "", "行高さ [Enter]で更新"},
        {"Edit13", "", "文字高さ [Enter]で更新"},
        {"Edit14", "", ""},
        {"Edit4", "20", ""},
        {"Edit5", "3", ""},
        {"Edit6", "3", ""},
        {"Edit7", "0.43", ""},
        {"Edit8", "0.27", ""},
        {"Edit9", "0.8", ""},
        {"Edit10", "252", ""},
        {"Edit15", "Excel.Application", ""},
    };
    for (const auto& e : edits) {
        auto* edit = find<QLineEdit>(e.name);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->text(), QString::fromUtf8(e.text)) << e.name;
        EXPECT_EQ(edit->toolTip(), QString::fromUtf8(e.hint)) << e.name;
    }
    for (const char* name : {"Edit16", "Edit2", "Edit3"}) {
        EXPECT_TRUE(find<QLineEdit>(name)->isReadOnly()) << name;
    }
    for (const char* name : {"Edit4", "Edit6", "Edit10", "Edit11", "Edit12", "Edit13"}) {
        EXPECT_TRUE(find<QLineEdit>(name)->alignment() & Qt::AlignRight) << name;
    }

    const struct {
        const char* name;
        const char* text;
        const char* hint;
        bool enabled;
    } buttons[] = {
        {"Button3", "Excel から取得", "アクティブな Excel から選択範囲を取得します", true},
        {"Button4", "CAD へ挿入", "右クリックで CAD 変更", false},
    };
    for (const auto& b : buttons) {
        auto* button = find<QPushButton>(b.name);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.text));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint));
        EXPECT_EQ(button->isEnabled(), b.enabled) << b.name;
    }
    const struct {
        const char* name;
        const char* text;
        const char* hint;
    } speedButtons[] = {
        {"SpeedButton1", "左", "文字基点 [左]"},
        {"SpeedButton2", "中", "文字基点 [中]"},
        {"SpeedButton3", "右", "文字基点 [右]"},
        {"SpeedButton4", "変更", ""},
        {"SpeedButton5", "CAD", ""},
    };
    for (const auto& b : speedButtons) {
        auto* button = find<QToolButton>(b.name);
        EXPECT_EQ(button->text(), QString::fromUtf8(b.text));
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(b.hint));
    }
    for (const char* name : {"SpeedButton1", "SpeedButton2", "SpeedButton3"}) {
        EXPECT_TRUE(find<QToolButton>(name)->autoRaise()) << name << " is flat";
    }

    const struct {
        const char* name;
        const char* text;
        bool enabled;
    } labels[] = {
        {"Label1", "対象セル：", true},
        {"Label2", "～", true},
        {"Label4", "選択されているセル範囲が対象です。", true},
        {"Label13", "", true},
        {"Label7", "X 尺度", true},
        {"Label8", "Y 尺度", true},
        {"Label15", "X 尺度", true},
        {"Label16", "Y 尺度", true},
        {"Label17", "文字尺度", true},
        {"Label18", "文字基点オフセット X 尺度", true},
        {"Label9", "文字高さの", true},
        {"Label10", "倍", true},
        {"Label11", "セル区切り線の色番号", false},
        {"Label12", "( BYLAER = 256 )", false},
        {"Label3", "CAD", true},
        {"Label5", "Excel", true},
    };
    for (const auto& l : labels) {
        auto* label = find<QLabel>(l.name);
        EXPECT_EQ(label->text(), QString::fromUtf8(l.text)) << l.name;
        EXPECT_EQ(label->isEnabled(), l.enabled) << l.name;
    }
    EXPECT_FALSE(find<QLineEdit>("Edit10")->isEnabled());

    auto* check = find<QCheckBox>("CheckBox1");
    EXPECT_EQ(check->text(), "セルを描画");
    EXPECT_TRUE(check->isChecked());
    EXPECT_FALSE(check->isEnabled());
    EXPECT_EQ(find<QProgressBar>("ProgressBar1")->value(), 0);

    StringGrid* grid = find<StringGrid>("StringGrid1");
    EXPECT_EQ(grid->colCount(), 5);
    EXPECT_EQ(grid->rowCount(), 5);
    EXPECT_EQ(grid->colWidth(0), 64);
    EXPECT_EQ(grid->rowHeight(1), 20);
    EXPECT_EQ(grid->toolTip(),
              "範囲選択=固定部クリック or [Shit]+矢印キー. 右クリックで選択範囲の文字変換メニュー");

    auto* summary = find<QTableWidget>("StringGrid2");
    ASSERT_EQ(summary->rowCount(), 5);
    ASSERT_EQ(summary->columnCount(), 2);
    EXPECT_EQ(summary->columnWidth(0), 80);
    EXPECT_EQ(summary->columnWidth(1), 380);
    const char* captions[] = {"全幅", "全高", "列幅", "行高", "文字"};
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(summary->item(r, 0)->text(), QString::fromUtf8(captions[r]));
        EXPECT_EQ(summary->rowHeight(r), 19);
    }
    for (const char* name : {"GroupBox1", "GroupBox2", "GroupBox3"}) find<QGroupBox>(name);
    EXPECT_EQ(find<QGroupBox>("GroupBox2")->title(), "CAD, DXF");
}

TEST_F(MainWindow, ReadMeHoldsItsLinesAndTellsWhatTheProgramDoes) {
    const QString text = form_->Memo1->toPlainText();
    const QStringList lines = text.split(QLatin1Char('\n'));
    ASSERT_EQ(lines.size(), 64);
    EXPECT_EQ(lines[0], "Tabrova 2023. 8.13");
    EXPECT_EQ(lines[10], "　\" Excel.Application\" だけでうまく動かない場合は、");
    EXPECT_EQ(lines[60], "　対象の列、行が選択状態になります。");
    // Borders and multi-line texts are drawn; the sources, the options and the DXF's folder are
    // named.
    for (const char* untrue :
         {"罫線情報は取得していません", "改行された文字列には対応していません"}) {
        EXPECT_FALSE(text.contains(QString::fromUtf8(untrue))) << untrue;
    }
    for (const char* told :
         {"罫線を取得して LINE で描きます", "複数行の文字として描きます",
          "XML スプレッドシート 2003 (.xml)", "[ 描画オプション ]", "ユーザーの設定フォルダ",
          "(.ods, .fods)", "「〓」", "[ クリップボードから取得 ]", "Ctrl+Z"}) {
        EXPECT_TRUE(text.contains(QString::fromUtf8(told))) << told;
    }
    for (int i = 1; i < lines.size(); ++i) {
        const bool heading = lines[i].startsWith(QChar(u'■'));
        EXPECT_TRUE(heading || lines[i].startsWith(QChar(0x3000))) << i;
    }
    EXPECT_EQ(form_->Memo1->lineWrapMode(), QPlainTextEdit::NoWrap);
    EXPECT_FALSE(form_->Memo1->isReadOnly());
}

TEST_F(MainWindow, PopupMenuItemsInOrder) {
    QStringList texts;
    for (QAction* action : form_->PopupMenu1->actions()) {
        texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    EXPECT_EQ(texts,
              QStringList({"半角->全角", "半角->全角（数字のみの文字列は除外）", "半角カナ->全角",
                           "-", "全角->半角", "全角数字->半角", "全角アルファベット->半角", "-",
                           "代替文字を含む禁止文字->半角", "-", "置換"}));
    for (const char* name : {"N1", "N12", "N5", "N2", "N6", "N7", "N9", "N4"}) {
        EXPECT_NE(form_->PopupMenu1->findChild<QAction*>(QString::fromLatin1(name)), nullptr)
            << name;
    }
}

TEST_F(MainWindow, FixedCellClicksSelectAndReloadTheEditBox) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    const struct {
        int col, row;
        GridSelection expected;
    } cases[] = {
        {0, 0, {1, 1, 3, 4}},
        {2, 0, {2, 1, 2, 4}},
        {0, 3, {1, 3, 3, 3}},
    };
    for (const auto& c : cases) {
        clickFixedCell(c.col, c.row);
        const GridSelection s = grid->selection();
        EXPECT_EQ(s.left, c.expected.left) << c.col << "," << c.row;
        EXPECT_EQ(s.top, c.expected.top);
        EXPECT_EQ(s.right, c.expected.right);
        EXPECT_EQ(s.bottom, c.expected.bottom);
        // The bottom-right cell becomes current, and the boxes follow it.
        EXPECT_EQ(grid->col(), c.expected.right);
        EXPECT_EQ(grid->row(), c.expected.bottom);
        EXPECT_EQ(form_->Edit1->text(), grid->cell(c.expected.right, c.expected.bottom));
    }
}

TEST_F(MainWindow, ShiftArrowsExtendTheSelection) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    clickCell(2, 2);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(grid, Qt::Key_Right, Qt::ShiftModifier);
    const GridSelection s = grid->selection();
    EXPECT_EQ(s.left, 2);
    EXPECT_EQ(s.top, 2);
    EXPECT_EQ(s.right, 3);
    EXPECT_EQ(s.bottom, 3);
}

std::array<int, 4> corners(const GridSelection& s) { return {s.left, s.top, s.right, s.bottom}; }

TEST_F(MainWindow, ShiftArrowsExtendFromTheCellTheProgramMadeCurrent) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    clickCell(3, 3);
    grid->setCurrentCell(1, 1);  // as a read leaves the grid
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(corners(grid->selection()), (std::array{1, 1, 1, 2}));
    clickFixedCell(2, 0);  // column C, anchored at its top cell
    QTest::keyClick(grid, Qt::Key_Left, Qt::ShiftModifier);
    EXPECT_EQ(corners(grid->selection()), (std::array{1, 1, 2, 4}));
}

TEST_F(MainWindow, AClickEditsOnlyTheCellThatWasAlreadyCurrent) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    const auto editorOpen = [grid] {
        const auto editors = grid->viewport()->findChildren<QLineEdit*>();
        return std::any_of(editors.begin(), editors.end(),
                           [](const QLineEdit* e) { return e->isVisible(); });
    };
    clickCell(1, 1);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);
    clickCell(1, 1);  // another cell of the selected range
    EXPECT_FALSE(editorOpen());
    EXPECT_EQ(corners(grid->selection()), (std::array{1, 1, 1, 1}));
    EXPECT_EQ(grid->row(), 1);
    clickCell(1, 1);  // the current cell
    EXPECT_TRUE(editorOpen());
}

TEST_F(MainWindow, FixedCellClickKeepsTheViewWhereItIs) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    for (int r = 1; r <= 4; ++r) grid->setRowHeight(r, 400);
    QApplication::processEvents();
    ASSERT_GT(grid->verticalScrollBar()->maximum(), 0);
    clickFixedCell(2, 0);
    QApplication::processEvents();
    EXPECT_EQ(corners(grid->selection()), (std::array{2, 1, 2, 4}));
    EXPECT_EQ(grid->verticalScrollBar()->value(), 0);
}

TEST_F(MainWindow, EditBoxAndInPlaceEditorHoldTextsOfAnyLength) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    const QString longText(40000, QChar(u'ア'));
    grid->setCell(2, 2, longText);
    clickCell(2, 2);
    EXPECT_EQ(form_->Edit1->text().size(), longText.size());
    QTest::keyClick(grid, Qt::Key_F2);
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text().size(), longText.size());
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(grid->cell(2, 2), longText) << "nothing cut and written back";
}

TEST_F(MainWindow, BasePointButtonsSetTheSelectionAndFollowTheCurrentCell) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    clickFixedCell(3, 0);  // column D, current cell (3, 4)
    form_->SpeedButton3->click();
    for (int r = 0; r < 4; ++r) EXPECT_EQ(form_->cellTable().at(2, r).txtAlign, alignRight);
    EXPECT_EQ(form_->cellTable().at(1, 0).txtAlign, 0);
    clickCell(1, 2);
    EXPECT_TRUE(form_->SpeedButton1->autoRaise());
    EXPECT_TRUE(form_->SpeedButton3->autoRaise());
    clickCell(3, 2);
    EXPECT_FALSE(form_->SpeedButton3->autoRaise()) << "raised for the current cell's base point";
    EXPECT_TRUE(form_->SpeedButton1->autoRaise());
    EXPECT_TRUE(form_->SpeedButton2->autoRaise());
    (void)grid;
}

TEST_F(MainWindow, BasePointButtonsWithoutATableChangeNothing) {
    form_->SpeedButton1->click();
    EXPECT_TRUE(form_->cellTable().empty());
    clickCell(2, 2);
    EXPECT_EQ(form_->Edit1->text(), "");
}

TEST_F(MainWindow, EditBoxWritesTheCurrentCellAndShowsLineFeeds) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    clickCell(1, 3);
    EXPECT_EQ(form_->Edit1->text(), "r2c0");
    form_->Edit1->setFocus();
    form_->Edit1->end(false);
    QTest::keyClicks(form_->Edit1, "xy");
    EXPECT_EQ(grid->cell(1, 3), "r2c0xy");

    grid->setCell(2, 3, "ab\ncd");
    clickCell(2, 3);
    EXPECT_EQ(form_->Edit1->text(), "ab\ncd");
    EXPECT_EQ(form_->Edit1->palette().color(QPalette::Text), QColor(255, 0, 0));
    form_->Edit1->setCursorPosition(1);
    QTest::keyClick(form_->Edit1, Qt::Key_Right);
    EXPECT_EQ(form_->Label13->text(), "[000A]");
    form_->Edit1->end(false);
    QTest::keyClick(form_->Edit1, Qt::Key_Left);
    QTest::keyClick(form_->Edit1, Qt::Key_Right);
    EXPECT_EQ(form_->Label13->text(), "");

    grid->setCell(3, 3, "a\rb");
    clickCell(3, 3);
    EXPECT_EQ(form_->Edit1->palette().color(QPalette::Text), QColor(0, 0, 0));
}

TEST_F(MainWindow, EditBoxFollowsTextsChangedElsewhere) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    clickCell(2, 3);
    // An edit in place (or a conversion) changes the current cell: the box follows it, so that
    // the next keystroke in the box does not write the old text back.
    grid->gridModel()->setData(grid->gridModel()->index(2, 1), QStringLiteral("new"), Qt::EditRole);
    EXPECT_EQ(form_->Edit1->text(), "new");
    form_->Edit1->end(false);
    QTest::keyClicks(form_->Edit1, "!");
    EXPECT_EQ(grid->cell(2, 3), "new!");
    // A header click moves the current cell; a keystroke then edits that cell's own text.
    clickFixedCell(0, 2);
    EXPECT_EQ(grid->col(), 3);
    EXPECT_EQ(grid->row(), 2);
    form_->Edit1->end(false);
    QTest::keyClicks(form_->Edit1, "?");
    EXPECT_EQ(grid->cell(3, 2), "r1c2?");
    EXPECT_EQ(grid->cell(2, 3), "new!");
}

TEST_F(MainWindow, InPlaceEditingChangesTheCellAndTheEditBox) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    clickCell(3, 4);
    QTest::keyClick(grid, Qt::Key_A);  // typing opens the editor in place
    auto* editor = grid->viewport()->findChild<QLineEdit*>();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, "bc");
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();  // the editor commits through a queued call
    EXPECT_EQ(grid->cell(3, 4), "abc");
    EXPECT_EQ(form_->Edit1->text(), "abc");
    EXPECT_EQ(form_->cellTable().at(2, 3).str, u"r3c2") << "the table keeps the text as read";
}

TEST_F(MainWindow, CellSizeEditAnsweredYesAndNo) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    clickCell(1, 2);
    QTest::keyClick(grid, Qt::Key_Down, Qt::ShiftModifier);  // grid rows 2..3

    form_->Edit12->setText("2.5");
    answers_.push_back(MessageAnswer::yes);
    QTest::keyClick(form_->Edit12, Qt::Key_Return);
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, "選択範囲の行高さを変更しますか？");
    EXPECT_EQ(messages_[0].caption, "確認");
    EXPECT_EQ(messages_[0].owner, grid);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(form_->cellTable().at(c, 0).drawH, 14 * 0.43);
        EXPECT_EQ(form_->cellTable().at(c, 1).drawH, 2.5);
        EXPECT_EQ(form_->cellTable().at(c, 2).drawH, 2.5);
    }
    EXPECT_EQ(form_->Edit12->text(), "2.500");
    EXPECT_EQ(form_->Label4->text(), "全体: W=81.000 x H=17.040");

    form_->Edit11->setText("50");
    answers_.push_back(MessageAnswer::no);
    QTest::keyClick(form_->Edit11, Qt::Key_Enter);
    EXPECT_EQ(messages_.back().text, "選択範囲の列幅を変更しますか？");
    EXPECT_EQ(form_->Edit11->text(), "24.000");
    EXPECT_EQ(form_->cellTable().at(0, 0).drawW, 24);

    // Zero, a negative number or letters ask nothing and change nothing.
    for (const char* text : {"0", "-3", "abc"}) {
        form_->Edit13->setText(QString::fromLatin1(text));
        QTest::keyClick(form_->Edit13, Qt::Key_Return);
        EXPECT_EQ(form_->Edit13->text(), QString::fromLatin1(text));
    }
    EXPECT_EQ(messages_.size(), 2u);
}

TEST_F(MainWindow, CellSizeEditOfAMergedColumnResizesTheRegion) {
    loadTable();
    clickFixedCell(2, 0);
    form_->Edit11->setText("20");
    answers_.push_back(MessageAnswer::yes);
    QTest::keyClick(form_->Edit11, Qt::Key_Return);
    EXPECT_EQ(form_->cellTable().at(0, 0).drawMW, 24 + 20);
}

TEST_F(MainWindow, CellSizeEditWithoutATableAsksNothing) {
    form_->Edit11->setText("5");
    QTest::keyClick(form_->Edit11, Qt::Key_Return);
    EXPECT_TRUE(messages_.empty());
}

TEST_F(MainWindow, ScaleBoxChangeWithLettersAndReturnToTheFirstTab) {
    loadTable();
    form_->PageControl1->setCurrentIndex(1);
    auto* summary = form_->StringGrid2;
    EXPECT_EQ(summary->item(0, 1)->text(), "81.000");
    EXPECT_EQ(summary->item(2, 1)->text(), "24.000 (24.000～30.000)");
    EXPECT_EQ(summary->item(3, 1)->text(), "6.020 (6.020～6.020)");
    EXPECT_EQ(summary->item(4, 1)->text(), "2.970 (2.970～2.970)");

    form_->Edit6->setText("abc");
    EXPECT_EQ(form_->settings().cadXsc, 0);
    for (const TXlsxCellAttr& cell : form_->cellTable().cells) EXPECT_EQ(cell.drawW, 0);
    EXPECT_EQ(summary->item(0, 1)->text(), "0.000");

    form_->Edit4->setText("10");  // taken only when the scales are applied
    EXPECT_EQ(form_->settings().colXsc, 20);
    form_->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(form_->settings().cadXsc, 10) << "the fallback for applying";
    EXPECT_EQ(form_->settings().colXsc, 10);
    EXPECT_EQ(form_->cellTable().at(1, 0).drawW, 90);
    EXPECT_EQ(form_->StringGrid1->colWidth(2), 90);
    EXPECT_EQ(form_->StringGrid1->rowHeight(1), 42);
}

TEST_F(MainWindow, ScaleChangesRefreshTheTotalsAndTheCurrentCellsSizes) {
    loadTable();  // current cell: B2, 8 wide, 14 high, font size 11
    ASSERT_EQ(form_->Label4->text(), "全体: W=81.000 x H=24.080");
    const struct {
        QLineEdit* box;  // nullptr: to the settings tab and back, which applies the scales
        const char* text;
        const char* totals;
        std::array<const char*, 3> cellSizes;
    } steps[] = {
        {form_->Edit6, "6", "全体: W=162.000 x H=24.080", {"48.000", "6.020", "2.970"}},
        {form_->Edit7, "1", "全体: W=162.000 x H=56.000", {"48.000", "14.000", "2.970"}},
        {form_->Edit8, "0.5", "全体: W=162.000 x H=56.000", {"48.000", "14.000", "5.500"}},
        {form_->Edit6, "abc", "全体: W=0.000 x H=56.000", {"0.000", "14.000", "5.500"}},
        {nullptr, "", "全体: W=270.000 x H=56.000", {"80.000", "14.000", "5.500"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.totals);
        if (step.box != nullptr) {
            step.box->setText(QString::fromUtf8(step.text));
        } else {
            form_->PageControl1->setCurrentIndex(1);
            form_->PageControl1->setCurrentIndex(0);
        }
        EXPECT_EQ(form_->Label4->text(), QString::fromUtf8(step.totals));
        EXPECT_EQ(
            (std::array{form_->Edit11->text(), form_->Edit12->text(), form_->Edit13->text()}),
            (std::array{QString::fromUtf8(step.cellSizes[0]), QString::fromUtf8(step.cellSizes[1]),
                        QString::fromUtf8(step.cellSizes[2])}));
    }
}

TEST_F(MainWindow, ScaleBoxesWithoutATableKeepTheScales) {
    form_->Edit6->setText("7");
    form_->PageControl1->setCurrentIndex(1);
    form_->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(form_->settings().cadXsc, 3);
    EXPECT_EQ(form_->StringGrid2->item(0, 1)->text(), "");
}

// The command-line tool reads the settings with the platform's separator; the window must write
// them with the same one, whatever Qt's own locale says.
TEST_F(MainWindow, SettingsUseThePlatformsDecimalSeparatorNotQts) {
    form_->close();
    form_.reset();
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    createForm();
    loadTable();  // scales apply to a table
    form_->Edit6->setText(QStringLiteral("2") + QChar(platform::userDecimalSeparator()) + "3");
    form_->PageControl1->setCurrentIndex(1);
    form_->PageControl1->setCurrentIndex(0);
    form_->close();
    form_.reset();
    QLocale::setDefault(previous);
    EXPECT_EQ(loadSettings(files().settingsFile, platform::userDecimalSeparator()).cadXsc, 2.3);
}

TEST(MainWindowStartUp, AFailureOtherThanAFileErrorEndsWithAMessage) {
    QString failure;
    const auto window = createMainWindow(
        []() -> ProgramFiles { throw std::runtime_error("code page 932 is not available"); },
        failure);
    EXPECT_EQ(window, nullptr);
    EXPECT_EQ(failure, "Tabrova を起動できませんでした.\ncode page 932 is not available");
}

TEST_F(MainWindow, IndividualWidthsAreResetByReturningToTheFirstTab) {
    loadTable();
    clickFixedCell(1, 0);
    form_->Edit11->setText("5");
    answers_.push_back(MessageAnswer::yes);
    QTest::keyClick(form_->Edit11, Qt::Key_Return);
    EXPECT_EQ(form_->cellTable().at(0, 2).drawW, 5);
    form_->PageControl1->setCurrentIndex(1);
    form_->PageControl1->setCurrentIndex(0);
    EXPECT_EQ(form_->cellTable().at(0, 2).drawW, 24);
}

TEST_F(MainWindow, MergedCellsArePaintedOnTheirOwnBackground) {
    loadTable();
    StringGrid* grid = form_->StringGrid1;
    clickCell(3, 3);
    QApplication::processEvents();
    const QImage image = grid->viewport()->grab().toImage();
    auto backgroundOf = [&](int col, int row) {
        const QRect rect = grid->visualRect(grid->gridModel()->index(row - 1, col - 1));
        return image.pixelColor(rect.right() - 4, rect.bottom() - 4);
    };
    EXPECT_EQ(backgroundOf(1, 1), QColor(240, 255, 255));
    EXPECT_EQ(backgroundOf(2, 1), QColor(240, 255, 255));
    EXPECT_EQ(backgroundOf(3, 1), grid->palette().color(QPalette::Base));
    EXPECT_EQ(backgroundOf(3, 3), grid->palette().color(QPalette::Highlight));
    clickFixedCell(0, 1);
    QApplication::processEvents();
    const QImage selected = grid->viewport()->grab().toImage();
    const QRect anchor = grid->visualRect(grid->gridModel()->index(0, 1));
    EXPECT_EQ(selected.pixelColor(anchor.center().x(), anchor.bottom() - 6), QColor(240, 255, 255))
        << "selected or not";
}

TEST_F(MainWindow, PlaceSizeAndMaximisedStateComeBackWithinTheScreen) {
    const QRect screen = form_->screen()->availableGeometry();
    const QRect fresh = form_->geometry();  // no settings file
    const QRect moved(screen.topLeft() + QPoint(40, 50), form_->minimumSizeHint() + QSize(60, 40));
    form_->setGeometry(moved);
    QApplication::processEvents();
    form_->close();
    form_.reset();
    createForm();
    // Where the screen has room for the window in a usual frame the place is kept exactly; a
    // screen too narrow for that (the offscreen screen of the Windows build's tests) takes it in.
    const bool roomy = screen.contains(moved.adjusted(-8, -31, 8, 8));
    const auto expectKept = [&] {
        if (roomy) {
            EXPECT_EQ(form_->geometry(), moved);
        } else {
            EXPECT_TRUE(screen.contains(form_->geometry()));
            EXPECT_EQ(form_->geometry().height(), moved.height());
        }
    };
    expectKept();
    EXPECT_FALSE(form_->isMaximized());

    // Maximised: comes back maximised, and un-maximises to the place it had before.
    form_->showMaximized();
    QApplication::processEvents();
    form_->close();
    form_.reset();
    createForm();
    EXPECT_TRUE(form_->isMaximized());
    form_->showNormal();
    QApplication::processEvents();
    expectKept();

    // Saved on a screen that is gone, larger than this one: on this screen, as large as it
    // allows with the frame's room.
    form_->close();
    form_.reset();
    std::ofstream(folder_ / "tabrova.ini")
        << "[MainWindow]\r\nleft=" << screen.right() + 4000
        << "\r\ntop=-3000\r\nwidth=" << screen.width() * 2 << "\r\nheight=" << screen.height() + 10
        << "\r\nmaximized=0\r\n";
    createForm();
    const QRect restored = form_->geometry();
    EXPECT_TRUE(screen.contains(restored)) << restored.x() << "," << restored.y() << " "
                                           << restored.width() << "x" << restored.height();
    EXPECT_GT(restored.width(), screen.width() * 9 / 10);

    // A damaged value: the first start's size and place.
    form_->close();
    form_.reset();
    std::ofstream(folder_ / "tabrova.ini") << "[MainWindow]\r\nleft=1\r\ntop=1\r\nwidth=1x\r\n"
                                              "height=500\r\nmaximized=0\r\n";
    createForm();
    EXPECT_EQ(form_->geometry(), fresh);
}

TEST(QtTexts, QtsOwnDialogsSpeakJapanese) {
    // From the program itself, not from a folder of the system.
    EXPECT_TRUE(QFile::exists(QStringLiteral(":/translations/qtbase_ja.qm")));
    // The 確認 question's buttons, as the program's message boxes show them.
    QMessageBox box(QMessageBox::Question, QStringLiteral("確認"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("はい(&Y)"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("いいえ(&N)"));
    // The file dialog of "ブック...".
    QFileDialog dialog;
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog.labelText(QFileDialog::LookIn), QStringLiteral("アドレス:"));
    EXPECT_EQ(dialog.labelText(QFileDialog::Reject), QStringLiteral("キャンセル"));
}

}  // namespace
}  // namespace tabrova::app::testing
