#include <QClipboard>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>
#include <fstream>
#include <sstream>

#include "AppFixture.h"
#include "ModalDialog.h"
#include "app/TaregetCADUnit.h"

namespace tabrova::app::testing {
namespace {

class TargetCadDialog : public MainWindowTest {
protected:
    TTargetCADForm* dialog() const { return form_->TargetCADForm; }

    void writeList(const std::string& bytes) const {
        std::ofstream out(files().targetListFile, std::ios::binary);
        out << bytes;
    }
    std::string readList() const {
        std::ifstream in(files().targetListFile, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    // Opens the dialog from the "CAD" button and runs `act` while it is shown.
    bool open(const std::function<void()>& act) {
        return whileModal(
            dialog(), [this] { form_->SpeedButton5->click(); }, act);
    }

    QStringList shownLines() const {
        QStringList lines;
        for (int i = 0; i < dialog()->ListBox1->count(); ++i) {
            lines << dialog()->ListBox1->item(i)->text();
        }
        return lines;
    }

    void clickEntry(int row) const {
        QListWidget* list = dialog()->ListBox1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(row)).center());
    }

    static void click(QAbstractButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

    void expectBoxes(const char* name, const char* progId) const {
        EXPECT_EQ(dialog()->Edit1->text(), QString::fromUtf8(name));
        EXPECT_EQ(dialog()->Edit2->text(), QString::fromUtf8(progId));
    }

    void expectEditButtonsEnabled(bool enabled) const {
        EXPECT_EQ(dialog()->SpeedButton2->isEnabled(), enabled) << "削除";
        EXPECT_EQ(dialog()->SpeedButton3->isEnabled(), enabled) << "変更";
    }
};

TEST_F(TargetCadDialog, IsBuiltHiddenWithItsControls) {
    TTargetCADForm* d = dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->isVisible());
    EXPECT_EQ(d->parentWidget(), form_.get());
    EXPECT_EQ(d->windowTitle(), "ターゲット CAD");
    EXPECT_EQ(d->minimumSize(), QSize(315, 307));
    EXPECT_EQ(d->maximumSize(), QSize(315, 307));
    EXPECT_TRUE(d->GroupBox1->title().isEmpty());
    EXPECT_EQ(d->Label1->text(), "名称 （説明）");
    EXPECT_EQ(d->Label2->text(), "ProgID （クラス文字列）");
    const struct {
        QAbstractButton* button;
        const char* caption;
    } buttons[] = {{d->SpeedButton1, "追加"},
                   {d->SpeedButton2, "削除"},
                   {d->SpeedButton3, "変更"},
                   {d->Button1, "OK"},
                   {d->Button2, "取り消し"}};
    for (const auto& b : buttons) {
        EXPECT_EQ(b.button->text(), QString::fromUtf8(b.caption));
        EXPECT_TRUE(d->rect().contains(b.button->geometry()) ||
                    d->GroupBox1->rect().contains(b.button->geometry()))
            << b.caption;
    }
    for (QLineEdit* box : {d->Edit1, d->Edit2}) {
        EXPECT_TRUE(box->testAttribute(Qt::WA_InputMethodEnabled)) << "the user may switch it on";
    }
    EXPECT_EQ(tabChain(d->ListBox1),
              (QList<QWidget*>{d->ListBox1, d->Edit1, d->Edit2, d->Button1, d->Button2}));
}

TEST_F(TargetCadDialog, BoxesSwitchTheInputMethodOffOnFocusAndTakeLineBreaksAsSpaces) {
    std::vector<QWidget*> switchedOff;
    const auto previous = TTargetCADForm::inputMethodOffHook();
    TTargetCADForm::inputMethodOffHook() = [&](QWidget* box) { switchedOff.push_back(box); };
    ASSERT_TRUE(open([&] {
        TTargetCADForm* d = dialog();
        for (QLineEdit* box : {d->Edit1, d->Edit2, d->Edit1}) {
            box->setFocus();
            QApplication::processEvents();
        }
        ASSERT_GE(switchedOff.size(), 2u);
        EXPECT_EQ(switchedOff.back(), d->Edit1);
        EXPECT_EQ(switchedOff[switchedOff.size() - 2], d->Edit2);
        QApplication::clipboard()->setText(QStringLiteral("製図\r\nCAD\n2\r"));
        d->Edit1->paste();
        EXPECT_EQ(d->Edit1->text(), QStringLiteral("製図 CAD 2 "));
        d->Edit2->setText(QStringLiteral("Zw.App\nX"));
        EXPECT_EQ(d->Edit2->text(), QStringLiteral("Zw.App X"));
        click(d->Button2);
    }));
    TTargetCADForm::inputMethodOffHook() = previous;
}

TEST_F(TargetCadDialog, OpensModallyFromItsThreePlaces) {
    const struct {
        const char* place;
        std::function<void()> open;
    } places[] = {
        {"CAD", [this] { QTest::mouseClick(form_->SpeedButton5, Qt::LeftButton); }},
        {"変更", [this] { QTest::mouseClick(form_->SpeedButton4, Qt::LeftButton); }},
        {"right click on the insert button",
         [this] { QTest::mousePress(form_->Button4, Qt::RightButton); }},
    };
    form_->Button4->setEnabled(true);
    for (const auto& p : places) {
        EXPECT_TRUE(whileModal(dialog(), p.open, [this] { click(dialog()->Button2); })) << p.place;
    }
    form_->Button4->setEnabled(false);
    EXPECT_FALSE(whileModal(dialog(), places[2].open, [] {}))
        << "a disabled insert button opens nothing";
}

TEST_F(TargetCadDialog, FirstShowingWithoutAFileAndOkWithEmptyBoxes) {
    ASSERT_TRUE(open([this] {
        EXPECT_EQ(dialog()->ListBox1->count(), 0);
        expectBoxes("", "");
        expectEditButtonsEnabled(false);
        click(dialog()->Button1);
    }));
    EXPECT_EQ(form_->targetProgID(), u"");
    EXPECT_EQ(form_->windowTitle(), "Tabrova [  ]");
    EXPECT_EQ(form_->Edit14->text(), "");
    EXPECT_EQ(form_->Edit16->text(), "");
    EXPECT_FALSE(std::filesystem::exists(files().targetListFile)) << "showing writes nothing";
}

TEST_F(TargetCadDialog, AddLandsAtItsSortedPlaceAndCancelKeepsTheFile) {
    writeList("ZWCAD\tZWCAD.Application\r\nAutoCAD\tAutoCAD.Application\r\n");
    ASSERT_TRUE(open([this] {
        EXPECT_EQ(shownLines(),
                  (QStringList{"AutoCAD\tAutoCAD.Application", "ZWCAD\tZWCAD.Application"}));
        EXPECT_EQ(dialog()->ListBox1->currentRow(), -1) << "the target is not in the list";
        expectEditButtonsEnabled(false);
        QTest::keyClicks(dialog()->Edit1, "BricsCAD");
        QTest::keyClicks(dialog()->Edit2, "BricscadApp.AcadApplication");
        click(dialog()->SpeedButton1);
        EXPECT_EQ(shownLines(), (QStringList{"AutoCAD\tAutoCAD.Application",
                                             "BricsCAD\tBricscadApp.AcadApplication",
                                             "ZWCAD\tZWCAD.Application"}));
        EXPECT_EQ(dialog()->ListBox1->currentRow(), 1);
        expectBoxes("BricsCAD", "BricscadApp.AcadApplication");
        expectEditButtonsEnabled(true);
        click(dialog()->Button2);
    }));
    EXPECT_EQ(readList(),
              "AutoCAD\tAutoCAD.Application\r\nBricsCAD\tBricscadApp.AcadApplication\r\n"
              "ZWCAD\tZWCAD.Application\r\n");
    EXPECT_EQ(form_->windowTitle(), "Tabrova");
    EXPECT_EQ(form_->targetProgID(), u"BricscadApp.AcadApplication");
    EXPECT_EQ(form_->Edit14->text(), "");
    EXPECT_EQ(form_->Edit16->text(), "BricsCAD");
}

TEST_F(TargetCadDialog, DeleteSelectsTheEntryAtItsPlaceOrTheNewLast) {
    const struct {
        const char* list;
        int clicked;
        QStringList left;
        int selected;
        const char* name;
        const char* progId;
        const char* file;
    } cases[] = {
        {"A\ta.1\r\nB\tb.1\r\nC\tc.1\r\n",
         1,
         {"A\ta.1", "C\tc.1"},
         1,
         "C",
         "c.1",
         "A\ta.1\r\nC\tc.1\r\n"},
        {"A\ta.1\r\nB\tb.1\r\nC\tc.1\r\n",
         2,
         {"A\ta.1", "B\tb.1"},
         1,
         "B",
         "b.1",
         "A\ta.1\r\nB\tb.1\r\n"},
        {"A\ta.1\r\n", 0, {}, -1, "", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.clicked);
        writeList(c.list);
        ASSERT_TRUE(open([&] {
            clickEntry(c.clicked);
            EXPECT_EQ(dialog()->Edit1->text(), shownLines().at(c.clicked).section('\t', 0, 0));
            expectEditButtonsEnabled(true);
            click(dialog()->SpeedButton2);
            EXPECT_EQ(shownLines(), c.left);
            EXPECT_EQ(dialog()->ListBox1->currentRow(), c.selected);
            expectBoxes(c.name, c.progId);
            expectEditButtonsEnabled(c.selected >= 0);
            click(dialog()->Button2);
        }));
        EXPECT_EQ(readList(), c.file);
    }
}

TEST_F(TargetCadDialog, ChangeKeepsItsPlaceUntilTheNextShowing) {
    const struct {
        const char* how;
        std::function<void(TTargetCADForm*)> change;
    } ways[] = {
        {"変更", [](TTargetCADForm* d) { click(d->SpeedButton3); }},
        {"Enter in Edit1", [](TTargetCADForm* d) { QTest::keyClick(d->Edit1, Qt::Key_Return); }},
        {"Enter in Edit2", [](TTargetCADForm* d) { QTest::keyClick(d->Edit2, Qt::Key_Enter); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        writeList("AutoCAD\tAcad.1\r\nBricsCAD\tBcad.1\r\n");
        ASSERT_TRUE(open([&] {
            clickEntry(0);
            expectBoxes("AutoCAD", "Acad.1");
            dialog()->Edit1->setText("ZWCAD");
            dialog()->Edit2->setText("Zw.1");
            way.change(dialog());
            EXPECT_TRUE(dialog()->isVisible()) << "Enter does not close the dialog";
            EXPECT_EQ(shownLines(), (QStringList{"ZWCAD\tZw.1", "BricsCAD\tBcad.1"}));
            EXPECT_EQ(dialog()->ListBox1->currentRow(), 0);
            expectBoxes("ZWCAD", "Zw.1");
            click(dialog()->Button2);
        }));
        EXPECT_EQ(readList(), "ZWCAD\tZw.1\r\nBricsCAD\tBcad.1\r\n");
        ASSERT_TRUE(open([&] {
            EXPECT_EQ(shownLines(), (QStringList{"BricsCAD\tBcad.1", "ZWCAD\tZw.1"}));
            click(dialog()->Button2);
        }));
    }
}

TEST_F(TargetCadDialog, ShowingSelectsTheFirstEntryWhoseProgIdStartsWithTheTarget) {
    writeList(
        "BricsCAD\tBricscadApp.AcadApplication\r\nAlso Brics\tBricscadApp.AcadApplication.23\r\n");
    ASSERT_TRUE(open([this] {
        EXPECT_EQ(dialog()->ListBox1->currentRow(), 0);
        expectBoxes("Also Brics", "BricscadApp.AcadApplication.23");
        expectEditButtonsEnabled(true);
        click(dialog()->Button1);
    }));
    EXPECT_EQ(form_->windowTitle(), "Tabrova [ Also Brics ]");
    EXPECT_EQ(form_->targetProgID(), u"BricscadApp.AcadApplication.23");
    EXPECT_EQ(form_->Edit14->text(), "BricscadApp.AcadApplication.23");
    EXPECT_EQ(form_->Edit16->text(), "Also Brics");
}

TEST_F(TargetCadDialog, TypedBoxesBecomeTheTargetWithoutEnteringTheList) {
    ASSERT_TRUE(open([this] {
        QTest::keyClicks(dialog()->Edit1, "IJCAD");
        QTest::keyClicks(dialog()->Edit2, "GcadVbaServer.Application");
        click(dialog()->Button1);
    }));
    EXPECT_EQ(form_->windowTitle(), "Tabrova [ IJCAD ]");
    EXPECT_EQ(form_->targetProgID(), u"GcadVbaServer.Application");
    EXPECT_FALSE(std::filesystem::exists(files().targetListFile));
}

TEST_F(TargetCadDialog, AListThatCannotBeReadOrWrittenIsReportedWithPathAndReason) {
    // A folder where the file should be: it can be neither read nor replaced.
    std::filesystem::create_directory(files().targetListFile);
    const QString path = QString::fromStdU16String(files().targetListFile.u16string());
    ASSERT_TRUE(open([&] {
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_TRUE(messages_[0].text.startsWith("ターゲット CAD の一覧を読み込めませんでした."))
            << messages_[0].text.toStdString();
        EXPECT_TRUE(messages_[0].text.contains(path));
        EXPECT_EQ(messages_[0].kind, MessageKind::error);
        dialog()->Edit1->setText("A");
        dialog()->Edit2->setText("a.1");
        click(dialog()->SpeedButton1);
        ASSERT_EQ(messages_.size(), 2u);
        EXPECT_TRUE(messages_[1].text.startsWith("ターゲット CAD の一覧を保存できませんでした."));
        EXPECT_TRUE(messages_[1].text.contains(path));
        EXPECT_EQ(dialog()->ListBox1->count(), 0) << "the list stays as it was";
        expectEditButtonsEnabled(false);
        click(dialog()->Button2);
    }));
}

}  // namespace
}  // namespace tabrova::app::testing
