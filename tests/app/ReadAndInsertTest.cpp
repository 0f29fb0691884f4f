#include <xlsxwriter.h>

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>

#include "AppFixture.h"
#include "app/ElidingLabel.h"
#include "app/OpenBookForm.h"
#include "app/PreviewForm.h"
#include "platform/Automation.h"
#include "sizing/SizeDisplay.h"
#include "table/FakeSpreadsheet.h"

namespace tabrova::app::testing {
namespace {

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class ReadAndInsert : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        previousHook_ = TForm1::confirmWorkbookHook();
        TForm1::confirmWorkbookHook() = [this](TOpenBookForm& dialog) {
            shownSheet_ = dialog.ComboSheet->currentText();
            shownRange_ = dialog.EditRange->text();
            if (!sheetToPick_.isEmpty()) dialog.ComboSheet->setCurrentText(sheetToPick_);
            if (!rangeToType_.isEmpty()) dialog.EditRange->setText(rangeToType_);
            dialog.accept();
            return dialog.result() == QDialog::Accepted;
        };
    }
    void TearDown() override {
        TForm1::confirmWorkbookHook() = previousHook_;
        MainWindowTest::TearDown();
    }

    // Two sheets; the second ("部品") is active with B2:D4 selected: B2:C2 merged "見出し", a
    // number 123 at general alignment in D2, texts below, rows 20 points high.
    std::filesystem::path makeWorkbook(const char* name = "book.xlsx") {
        const std::filesystem::path path = folder_ / name;
        lxw_workbook* book = workbook_new(path.string().c_str());
        lxw_worksheet* first = workbook_add_worksheet(book, "表紙");
        worksheet_write_string(first, 0, 0, "cover", nullptr);
        lxw_worksheet* sheet = workbook_add_worksheet(book, "部品");
        lxw_format* centred = workbook_add_format(book);
        format_set_align(centred, LXW_ALIGN_CENTER);
        format_set_border(centred, LXW_BORDER_THIN);
        worksheet_merge_range(sheet, 1, 1, 1, 2, "見出し", centred);
        worksheet_write_number(sheet, 1, 3, 123, nullptr);
        worksheet_write_string(sheet, 2, 1, "ボルト", nullptr);
        worksheet_write_string(sheet, 2, 2, "M8", nullptr);
        worksheet_write_string(sheet, 3, 1, "ナット", nullptr);
        for (lxw_row_t r = 1; r <= 3; ++r) worksheet_set_row(sheet, r, 20, nullptr);
        worksheet_set_column(sheet, 1, 3, 12, nullptr);
        worksheet_set_selection(sheet, 1, 1, 3, 3);
        worksheet_activate(sheet);
        EXPECT_EQ(workbook_close(book), LXW_NO_ERROR);
        return path;
    }

    std::function<bool(TOpenBookForm&)> previousHook_;
    QString shownSheet_, shownRange_, sheetToPick_, rangeToType_;
};

TEST_F(ReadAndInsert, ReadsTheConfirmedRangeIntoTheGrid) {
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    EXPECT_EQ(shownSheet_, "部品");
    EXPECT_EQ(shownRange_, "B2:D4") << "preset to the sheet's saved selection";
    EXPECT_EQ(form_->SourceLabel->text(), "取得元: book.xlsx [部品] B2:D4");

    form_->Button3->click();
    EXPECT_TRUE(messages_.empty()) << messages_.front().text.toStdString();
    EXPECT_EQ(form_->windowTitle(), "book.xlsx [部品]");
    EXPECT_EQ(form_->Edit2->text(), "B2");
    EXPECT_EQ(form_->Edit3->text(), "D4");
    StringGrid* grid = form_->StringGrid1;
    ASSERT_EQ(grid->colCount(), 4);
    ASSERT_EQ(grid->rowCount(), 4);
    EXPECT_EQ(grid->colWidth(0), 70);
    const QString headers[] = {grid->cell(1, 0), grid->cell(2, 0), grid->cell(3, 0),
                               grid->cell(0, 1), grid->cell(0, 2), grid->cell(0, 3)};
    const char* expected[] = {"B", "C", "D", "2", "3", "4"};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(headers[i], QString::fromUtf8(expected[i]));
    EXPECT_EQ(grid->cell(1, 1), "見出し");
    EXPECT_EQ(grid->cell(3, 1), "123");
    EXPECT_EQ(grid->cell(2, 2), "M8");
    EXPECT_EQ(grid->cell(1, 3), "ナット");

    const CellTable& table = form_->cellTable();
    ASSERT_EQ(table.colCount, 3);
    ASSERT_EQ(table.rowCount, 3);
    EXPECT_EQ(table.at(2, 0).txtAlign, alignRight) << "a number at general alignment";
    EXPECT_EQ(table.at(0, 0).txtAlign, alignCenter);
    EXPECT_GT(table.at(0, 0).drawMW, 0) << "B2:C2 merged";
    EXPECT_TRUE(table.at(1, 0).mark);
    EXPECT_EQ(table.at(0, 1).rowH, 20);
    EXPECT_EQ(grid->rowHeight(2), 60);
    EXPECT_EQ(grid->colWidth(2), static_cast<int>(std::trunc(table.at(1, 0).colW * 20.0)));
    EXPECT_EQ(form_->Label4->text(), QString::fromStdU16String(totalsLabelText(table)));
    EXPECT_TRUE(form_->Label4->text().startsWith("全体: W="));

    EXPECT_TRUE(form_->Button3->isEnabled());
    EXPECT_TRUE(form_->Button4->isEnabled());
    EXPECT_EQ(grid->col(), 1);
    EXPECT_EQ(grid->row(), 1);
    EXPECT_EQ(form_->Edit1->text(), "見出し");
    EXPECT_FALSE(form_->SpeedButton2->autoRaise());
    EXPECT_EQ(form_->ProgressBar1->value(), 0);
}

TEST_F(ReadAndInsert, InsertWritesTheDxfWithTheGridsTexts) {
    // A target that is registered everywhere (Windows' shell) but runs nowhere in the registry
    // of running objects: the drawing is saved only.
    form_->close();
    form_.reset();
    std::ofstream(folder_ / "tabrova.ini") << "[Target]\r\nProgID=Shell.Application\r\n";
    createForm();
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    clickCell(2, 2);
    form_->Edit1->setText("M10");
    form_->Button4->click();
    const std::filesystem::path dxf = form_->programFiles().dxfFile;
    ASSERT_TRUE(std::filesystem::exists(dxf));
    const std::string text = readFile(dxf);
    EXPECT_EQ(text.rfind("  0\r\nSECTION\r\n", 0), 0u);
    EXPECT_NE(text.find("M10\r\n"), std::string::npos) << "the edited grid text";
    EXPECT_EQ(text.find("\r\nM8\r\n"), std::string::npos);
    EXPECT_NE(text.find("XLSCellText"), std::string::npos);
    EXPECT_TRUE(form_->StatusLabel->text().contains(QString::fromStdU16String(dxf.u16string())));
    EXPECT_TRUE(form_->StatusLabel->text().startsWith(QStringLiteral("CAD が起動していないため")));
    EXPECT_TRUE(messages_.empty()) << messages_.front().text.toStdString();
}

// A target CAD that is registered as running but fails every call.
class FailingCad : public automation::Object {
public:
    automation::Variant get(std::u16string_view, std::span<const automation::Variant>) override {
        throw automation::AutomationError(u"サーバーが応答しません");
    }
    automation::Variant call(std::u16string_view, std::span<const automation::Variant>) override {
        throw automation::AutomationError(u"サーバーが応答しません");
    }
};

TEST_F(ReadAndInsert, AnErrorEscapingTheInsertShowsTheStandardBox) {
    automation::registerStandIn(u"Failing.Cad", std::make_shared<FailingCad>());
    form_->setTargetProgID(u"Failing.Cad");
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    form_->Button4->click();
    automation::unregisterStandIn(u"Failing.Cad");
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, "Tabrova");
    EXPECT_EQ(messages_[0].text, "サーバーが応答しません");
    EXPECT_TRUE(std::filesystem::exists(form_->programFiles().dxfFile));
    EXPECT_TRUE(form_->StatusLabel->text().startsWith("DXF を保存しました"));
    // The program goes on.
    EXPECT_TRUE(form_->Button4->isEnabled());
    form_->Button3->click();
    EXPECT_EQ(messages_.size(), 1u);
}

TEST_F(ReadAndInsert, AnUnwritableDxfFolderIsReportedWithPathAndReason) {
    form_.reset();
    // A file where the folder of the DXF should be.
    std::ofstream(folder_ / "blocked") << "x";
    ProgramFiles blocked = files();
    blocked.dxfFile = folder_ / "blocked" / "tabrova.dxf";
    form_ = std::make_unique<TForm1>(blocked);
    form_->show();
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    form_->Button4->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.contains("blocked")) << messages_[0].text.toStdString();
    EXPECT_GT(messages_[0].text.split('\n').size(), 2);
    const QString reason = messages_[0].text.split('\n').back();
    EXPECT_TRUE(
        std::any_of(reason.begin(), reason.end(), [](QChar c) { return c.unicode() > 0x7F; }))
        << "the system's reason in Japanese: " << reason.toStdString();
}

TEST_F(ReadAndInsert, AScaleThatMakesTheDrawingInfiniteWritesNothingAndIsNamed) {
    form_->close();
    form_.reset();
    std::ofstream(folder_ / "tabrova.ini") << "[Varnekto]\r\ncadTsc=1e308\r\n";
    createForm();
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    form_->Button4->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.contains("cadTsc = 1e+308")) << messages_[0].text.toStdString();
    EXPECT_FALSE(std::filesystem::exists(form_->programFiles().dxfFile));
}

TEST_F(ReadAndInsert, AnotherSheetAndRangeCanBeChosen) {
    sheetToPick_ = "部品";
    rangeToType_ = "c3";
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    EXPECT_EQ(form_->Edit2->text(), "C3");
    EXPECT_EQ(form_->Edit3->text(), "C3");
    EXPECT_EQ(form_->StringGrid1->cell(1, 1), "M8");
}

TEST_F(ReadAndInsert, ABadRangeKeepsTheDialogOpen) {
    rangeToType_ = "B2:";
    EXPECT_FALSE(form_->openWorkbookFile(makeWorkbook()));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.contains("B2:"));
    EXPECT_FALSE(form_->workbookSource().has_value());
}

TEST_F(ReadAndInsert, AFileThatIsNotAWorkbookIsReported) {
    std::ofstream(folder_ / "notes.xlsx") << "not a zip";
    EXPECT_FALSE(form_->openWorkbookFile(folder_ / "notes.xlsx"));
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.contains("notes.xlsx"));
    EXPECT_TRUE(messages_[0].text.contains(QStringLiteral("zip 形式のファイルではありません")))
        << "the reader's reason in Japanese: " << messages_[0].text.toStdString();
}

TEST_F(ReadAndInsert, ClosingTheWorkbookReturnsToTheRunningApplication) {
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    EXPECT_TRUE(form_->CloseBookButton->isVisible());
    form_->CloseBookButton->click();
    EXPECT_FALSE(form_->CloseBookButton->isVisible());
    // Where no spreadsheet application can run, the window says how to open a workbook instead.
    const bool running = automation::runningApplicationsReachable();
    const QString hint = TForm1::noWorkbookHint();
    EXPECT_EQ(form_->SourceLabel->text(),
              running ? QStringLiteral("取得元: 起動中の Excel (Excel.Application)")
                      : QStringLiteral("取得元: なし (") + hint + QStringLiteral(")"));
    EXPECT_TRUE(hint.contains(QStringLiteral("「ブック...」")) &&
                hint.contains(QStringLiteral("ドロップ")));
    form_->Button3->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].text, QStringLiteral("ProgId : Excel.Application は無効です.") +
                                     (running ? QString() : QStringLiteral("\n") + hint));
}

TEST_F(ReadAndInsert, WithoutAWorkbookTheInvalidProgIdMessageShows) {
    form_->Edit15->setText("Nothing.Application");
    form_->Button3->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.startsWith("ProgId : Nothing.Application は無効です."));
    EXPECT_EQ(messages_[0].caption, "メッセージ");
    EXPECT_FALSE(form_->Button4->isEnabled());
    EXPECT_TRUE(form_->Button3->isEnabled());
    EXPECT_TRUE(form_->cellTable().empty());
}

TEST_F(ReadAndInsert, ASavedWorkbookIsReadAgain) {
    const std::filesystem::path path = makeWorkbook();
    ASSERT_TRUE(form_->openWorkbookFile(path));
    form_->Button3->click();
    EXPECT_EQ(form_->StringGrid1->cell(2, 2), "M8");
    {
        lxw_workbook* book = workbook_new(path.string().c_str());
        lxw_worksheet* cover = workbook_add_worksheet(book, "表紙");
        (void)cover;
        lxw_worksheet* sheet = workbook_add_worksheet(book, "部品");
        worksheet_write_string(sheet, 2, 2, "M12", nullptr);
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    }
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    form_->Button3->click();
    EXPECT_EQ(form_->Edit2->text(), "B2") << "the confirmed range is kept";
    EXPECT_EQ(form_->StringGrid1->cell(2, 2), "M12");
}

TEST_F(ReadAndInsert, ASheetGoneFromTheSavedWorkbookIsReportedNotReplaced) {
    const std::filesystem::path path = makeWorkbook();
    ASSERT_TRUE(form_->openWorkbookFile(path));
    form_->Button3->click();
    ASSERT_EQ(form_->StringGrid1->cell(2, 2), "M8");
    {
        lxw_workbook* book = workbook_new(path.string().c_str());
        lxw_worksheet* sheet = workbook_add_worksheet(book, "別名");
        worksheet_write_string(sheet, 2, 2, "other", nullptr);
        ASSERT_EQ(workbook_close(book), LXW_NO_ERROR);
    }
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::seconds(5));
    messages_.clear();
    form_->Button3->click();
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_TRUE(messages_[0].text.contains("book.xlsx")) << messages_[0].text.toStdString();
    EXPECT_TRUE(messages_[0].text.contains(QStringLiteral("シート \"部品\" がありません")))
        << messages_[0].text.toStdString();
    EXPECT_EQ(form_->StringGrid1->cell(2, 2), "M8") << "the previous table stays";
    // Once the sheet is back the read works again.
    makeWorkbook();
    std::filesystem::last_write_time(
        path, std::filesystem::last_write_time(path) + std::chrono::seconds(10));
    messages_.clear();
    form_->Button3->click();
    EXPECT_TRUE(messages_.empty());
    EXPECT_EQ(form_->StringGrid1->cell(2, 2), "M8");
}

TEST_F(ReadAndInsert, CloseAndInputDuringAReadDoNotDisturbIt) {
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    // Typing into a scale box and closing the window arrive while the read runs.
    QCoreApplication::postEvent(form_->Edit6,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_9, Qt::NoModifier, "9"));
    QTimer::singleShot(0, form_.get(), [this] { form_->close(); });
    form_->Button3->click();
    EXPECT_EQ(form_->Edit6->text(), "3") << "input held off during the read";
    QApplication::processEvents();
    EXPECT_FALSE(form_->isVisible()) << "the close request ends the read, then the window";
    EXPECT_TRUE(std::filesystem::exists(form_->programFiles().settingsFile));
}

TEST_F(ReadAndInsert, SettingsAreWrittenAtCloseWithEveryKey) {
    form_->Edit15->setText("Excel.Application.16");
    form_->close();
    const std::string text = readFile(form_->programFiles().settingsFile);
    // The design's eleven keys, the drawing options, then the window's place and the recent
    // books.
    const QRect normal = form_->normalGeometry();
    const std::string geometry = "left=" + std::to_string(normal.x()) +
                                 "\r\ntop=" + std::to_string(normal.y()) +
                                 "\r\nwidth=" + std::to_string(normal.width()) +
                                 "\r\nheight=" + std::to_string(normal.height());
    for (const char* key : {"[Varnekto]",
                            "colXsc=20",
                            "rowYsc=3",
                            "cadXsc=3",
                            "cadYsc=0.43",
                            "cadTsc=0.27",
                            "cadTof=0.8",
                            "cellLineColor=252",
                            "cellLineDraw=1",
                            "xlsVerNum=16",
                            "[Target]",
                            "ProgID=BricscadApp.AcadApplication",
                            "ExcelPID=Excel.Application.16",
                            "[Options]",
                            "[MainWindow]",
                            geometry.c_str(),
                            "maximized=0",
                            "[RecentBooks]",
                            "book1=\r\n",
                            "book8=\r\n"}) {
        EXPECT_NE(text.find(key), std::string::npos) << key;
    }
    EXPECT_EQ(std::count(text.begin(), text.end(), '='), 11 + 5 + 5 + 8);
}

TEST_F(ReadAndInsert, SettingsAndTargetNameAreLoadedAtStart) {
    form_->close();
    form_.reset();
    std::ofstream(folder_ / "tabrova.ini")
        << "[Varnekto]\r\ncadYsc=abc\r\ncadXsc=5\r\ncellLineDraw=0\r\ncellLineColor=0x100\r\n"
           "[Target]\r\nProgID=ZWCAD.Application\r\n";
    std::ofstream(folder_ / "TargetCAD_APIVersion.txt")
        << "AutoCAD\tAutoCAD.Application\r\nZWCAD 2024\tZWCAD.Application.2024\r\n"
           "ZW\tZWCAD.Application\r\n";
    createForm();
    EXPECT_EQ(form_->Edit6->text(), "5");
    EXPECT_EQ(form_->Edit7->text(), "0.43");
    EXPECT_EQ(form_->Edit10->text(), "256");
    EXPECT_FALSE(form_->CheckBox1->isChecked());
    EXPECT_EQ(form_->Edit14->text(), "ZWCAD.Application");
    EXPECT_EQ(form_->Edit16->text(), "ZWCAD 2024") << "the first line that matches";
    EXPECT_EQ(form_->windowTitle(), "Tabrova [ ZWCAD 2024 ]");
}

// The texts of the preview's display list.
std::vector<QString> previewTexts(const TForm1& form) {
    std::vector<QString> out;
    for (const DisplayText& t : form.PreviewForm->view()->displayList().texts) {
        out.push_back(QString::fromStdU16String(t.text));
    }
    return out;
}

const DisplayText* previewText(const TForm1& form, const DisplayList& list, const char* text) {
    (void)form;
    for (const DisplayText& t : list.texts) {
        if (QString::fromStdU16String(t.text) == QString::fromUtf8(text)) return &t;
    }
    return nullptr;
}

TEST_F(ReadAndInsert, PreviewFollowsTextsBasePointsScalesAndCellLines) {
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    form_->PreviewButton->click();
    QApplication::processEvents();
    ASSERT_TRUE(form_->PreviewForm->isVisible());
    EXPECT_NE(form_->PreviewForm->parentWidget(), form_->PageControl1) << "a window of its own";
    DrawingPreviewWidget* view = form_->PreviewForm->view();
    EXPECT_EQ(previewTexts(*form_),
              (std::vector<QString>{"見出し", "123", "ボルト", "M8", "ナット"}));

    // A text edited in the grid.
    clickCell(2, 2);
    form_->Edit1->setText("M10");
    QApplication::processEvents();
    EXPECT_EQ(previewTexts(*form_)[3], "M10");

    // The text base point: right of the cell's right edge by the offset.
    form_->SpeedButton3->click();
    QApplication::processEvents();
    const DisplayList list = view->displayList();
    const DisplayText* m10 = previewText(*form_, list, "M10");
    ASSERT_NE(m10, nullptr);
    EXPECT_EQ(m10->horizontalJust, 2);
    EXPECT_NEAR(m10->placement.box.left + m10->placement.box.width, m10->anchor.x, 1e-6);

    // A larger X scale widens the drawing; the preview stays fitted to its window.
    const double widthBefore = tableBounds(view->entities()).width();
    form_->Edit6->setText("6");
    QApplication::processEvents();
    EXPECT_NEAR(tableBounds(view->entities()).width(), widthBefore * 2, 1e-6);

    // Without cell lines only the sheet's borders remain.
    const auto outlines = [&] { return view->displayList().outlines.size(); };
    EXPECT_EQ(outlines(), 1u) << "B2:C2 merged";
    form_->CheckBox1->setChecked(false);
    QApplication::processEvents();
    EXPECT_EQ(outlines(), 0u);

    // What is shown is what the insert writes: one TEXT per text shown.
    form_->Button4->click();
    const std::string dxf = readFile(form_->programFiles().dxfFile);
    std::size_t texts = 0;
    for (std::size_t at = 0; (at = dxf.find("\r\nTEXT\r\n", at)) != std::string::npos; ++at)
        ++texts;
    EXPECT_EQ(texts, previewTexts(*form_).size());
}

TEST_F(ReadAndInsert, DrawingOptionBoxesLoadRedrawThePreviewAndAreSaved) {
    form_->close();
    form_.reset();
    std::ofstream(folder_ / "tabrova.ini") << "[Options]\r\nborderStyles=1\r\n";
    createForm();
    EXPECT_EQ(find<QGroupBox>("GroupBoxDrawingOptions")->title(), "描画オプション");
    const struct {
        const char* name;
        const char* caption;
        bool checked;
    } boxes[] = {{"CheckBoxBorderStyles", "罫線の線種と太さ", true},
                 {"CheckBoxVerticalAlign", "文字の縦位置", false},
                 {"CheckBoxWrapText", "折り返して全体を表示", false},
                 {"CheckBoxFitText", "はみ出す文字を縮める", false}};
    for (const auto& b : boxes) {
        EXPECT_EQ(find<QCheckBox>(b.name)->text(), QString::fromUtf8(b.caption)) << b.name;
        EXPECT_EQ(find<QCheckBox>(b.name)->isChecked(), b.checked) << b.name;
    }

    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    form_->Edit6->setText("0.5");  // columns too narrow for their texts
    form_->PreviewButton->click();
    QApplication::processEvents();
    const auto narrowed = [&] {
        std::size_t n = 0;
        for (const DisplayText& t : form_->PreviewForm->view()->displayList().texts)
            n += t.widthFactor < 1 ? 1 : 0;
        return n;
    };
    EXPECT_EQ(narrowed(), 0u);
    find<QCheckBox>("CheckBoxFitText")->setChecked(true);
    QApplication::processEvents();
    EXPECT_GT(narrowed(), 0u);

    form_->close();
    const std::string ini = readFile(folder_ / "tabrova.ini");
    EXPECT_NE(ini.find("borderStyles=1\r\nverticalAlign=0\r\nwrapText=0\r\nfitText=1\r\n"),
              std::string::npos)
        << ini;
}

// Every source but a cell-by-cell read of the running application gives every option's facts: an
// option ticked after the read applies to what was read. After a cell-by-cell read with the
// option off, the status bar says that a new read is needed.
TEST_F(ReadAndInsert, OptionsTickedAfterAReadApplyOrAskForANewRead) {
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    form_->PreviewButton->click();
    QApplication::processEvents();
    auto textPlaces = [&] {
        std::vector<double> ys;
        for (const DisplayText& t : form_->PreviewForm->view()->displayList().texts)
            ys.push_back(t.anchor.y);
        return ys;
    };
    const std::vector<double> middle = textPlaces();
    find<QCheckBox>("CheckBoxVerticalAlign")->setChecked(true);  // the sheet's bottom alignment
    QApplication::processEvents();
    EXPECT_NE(textPlaces(), middle);
    EXPECT_FALSE(form_->StatusLabel->text().contains(QStringLiteral("読み直して")));
    find<QCheckBox>("CheckBoxVerticalAlign")->setChecked(false);

    form_->CloseBookButton->click();
    auto sheet = std::make_shared<fake::Sheet>();
    sheet->selection = fake::Rect{1, 1, 2, 2};
    fake::Registration running(sheet, u"Tabrova.OptionsSheet");
    form_->Edit15->setText("Tabrova.OptionsSheet");
    form_->Button3->click();
    ASSERT_EQ(form_->cellTable().colCount, 2);
    EXPECT_TRUE(form_->StatusLabel->text().isEmpty());
    find<QCheckBox>("CheckBoxBorderStyles")->setChecked(true);
    EXPECT_TRUE(form_->StatusLabel->text().startsWith(QStringLiteral("「罫線の線種と太さ」")));
    EXPECT_TRUE(form_->StatusLabel->text().contains(QStringLiteral("読み直して")));
}

TEST_F(ReadAndInsert, PreviewZoomsPansAndFitsAgain) {
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    form_->PreviewButton->click();
    QApplication::processEvents();
    DrawingPreviewWidget* view = form_->PreviewForm->view();
    ASSERT_TRUE(view->isFitted());
    const ViewTransform fitted = view->transform();
    // The whole table lies inside the widget.
    const DrawingBounds b = tableBounds(view->entities());
    const ViewPoint topLeft = fitted.toView(b.minX, b.maxY);
    const ViewPoint bottomRight = fitted.toView(b.maxX, b.minY);
    EXPECT_GE(topLeft.x, 0);
    EXPECT_GE(topLeft.y, 0);
    EXPECT_LE(bottomRight.x, view->width());
    EXPECT_LE(bottomRight.y, view->height());

    const QPoint at(view->width() / 3, view->height() / 2);
    const TAcadPoint under =
        fitted.toDrawing({static_cast<double>(at.x()), static_cast<double>(at.y())});
    QWheelEvent wheel(QPointF(at), view->mapToGlobal(QPointF(at)), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view, &wheel);
    EXPECT_FALSE(view->isFitted());
    EXPECT_GT(view->transform().scale, fitted.scale);
    const ViewPoint still = view->transform().toView(under);
    EXPECT_NEAR(still.x, at.x(), 1e-6);
    EXPECT_NEAR(still.y, at.y(), 1e-6);

    const double offsetBefore = view->transform().offsetX;
    QTest::mousePress(view, Qt::LeftButton, {}, at);
    QTest::mouseMove(view, at + QPoint(30, 10));
    QTest::mouseRelease(view, Qt::LeftButton, {}, at + QPoint(30, 10));
    EXPECT_NEAR(view->transform().offsetX, offsetBefore + 30, 1e-6);

    // A change of the drawing keeps the user's view; a double click fits again.
    form_->Edit1->setText("x");
    QApplication::processEvents();
    EXPECT_FALSE(view->isFitted());
    QTest::mouseDClick(view, Qt::LeftButton, {}, at);
    EXPECT_TRUE(view->isFitted());
    EXPECT_NEAR(view->transform().scale, fitted.scale, 1e-9);
}

TEST_F(ReadAndInsert, AFailedSettingsSaveIsShownAndTheWindowStillCloses) {
    form_->close();
    form_.reset();
    ProgramFiles unwritable = files();
    unwritable.settingsFile = folder_ / "missing-folder" / "tabrova.ini";
    form_ = std::make_unique<TForm1>(unwritable);
    form_->show();
    EXPECT_TRUE(form_->close());
    ASSERT_EQ(messages_.size(), 1u);
    EXPECT_EQ(messages_[0].caption, "Tabrova");
    EXPECT_TRUE(messages_[0].text.contains("missing-folder"));
    EXPECT_FALSE(form_->isVisible());
}

// The name under which the recent list keeps a file.
std::u16string listedName(const std::filesystem::path& path) {
    return QDir::toNativeSeparators(
               QFileInfo(QString::fromStdU16String(path.u16string())).canonicalFilePath())
        .toStdU16String();
}

TEST_F(ReadAndInsert, RecentWorkbooksAreOfferedLatestFirstAndOpenAsTheBookButtonWould) {
    EXPECT_FALSE(form_->RecentBooksButton->isEnabled()) << "nothing opened yet";
    const auto first = makeWorkbook("first.xlsx");
    const auto second = makeWorkbook("second.xlsx");
    const auto gone = makeWorkbook("gone & lost.xlsx");
    for (const auto& book : {first, second, first, gone}) {
        ASSERT_TRUE(form_->openWorkbookFile(book));
    }
    const std::vector<std::u16string> listed{listedName(gone), listedName(first),
                                             listedName(second)};
    EXPECT_EQ(form_->settings().recentBooks, listed);
    EXPECT_TRUE(form_->RecentBooksButton->isEnabled());
    form_->CloseBookButton->click();
    std::filesystem::remove(gone);

    // The menu as it opens: numbered, the latest first; a file that is gone is marked and
    // cannot be chosen.
    emit form_->RecentBooksMenu->aboutToShow();
    const QList<QAction*> actions = form_->RecentBooksMenu->actions();
    ASSERT_EQ(actions.size(), 3);
    EXPECT_EQ(actions[0]->objectName(), "RecentBook1");
    EXPECT_TRUE(actions[0]->text().startsWith("&1 "));
    EXPECT_TRUE(actions[0]->text().contains("gone && lost.xlsx"));
    EXPECT_TRUE(actions[0]->text().endsWith("(見つかりません)"));
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_EQ(actions[2]->toolTip(), QString::fromStdU16String(listed[2]));
    EXPECT_TRUE(actions[2]->isEnabled());

    // Choosing one: the sheet-and-range dialog, then the book is the source and goes first.
    actions[2]->trigger();
    QApplication::processEvents();
    EXPECT_EQ(shownSheet_, "部品");
    ASSERT_TRUE(form_->workbookSource());
    EXPECT_EQ(listedName(form_->workbookSource()->path), listed[2]);
    const std::vector<std::u16string> after{listed[2], listed[0], listed[1]};
    EXPECT_EQ(form_->settings().recentBooks, after);

    // Kept in the settings file for the next start.
    form_->close();
    form_.reset();
    createForm();
    EXPECT_EQ(form_->settings().recentBooks, after);
    EXPECT_TRUE(form_->RecentBooksButton->isEnabled());
}

TEST_F(ReadAndInsert, AtItsMinimumSizeTheStatusLineStillShowsWhereTheDxfWent) {
    // The program in a deep folder, the window as narrow as it goes.
    form_->close();
    form_.reset();
    ProgramFiles deep = files();
    const std::filesystem::path folder =
        folder_ / u"コンベヤ駆動ユニット 2026 年度版" / u"図面と部品表の置き場所" / u"tabrova";
    std::filesystem::create_directories(folder);
    deep.dxfFile = folder / "tabrova.dxf";
    form_ = std::make_unique<TForm1>(deep);
    form_->show();
    ASSERT_TRUE(form_->openWorkbookFile(makeWorkbook()));
    form_->Button3->click();
    form_->resize(form_->minimumSizeHint());
    form_->Button4->click();
    QApplication::processEvents();

    ElidingLabel* status = form_->StatusLabel;
    const QString path =
        QDir::toNativeSeparators(QString::fromStdU16String(deep.dxfFile.u16string()));
    EXPECT_TRUE(status->text().endsWith(path)) << "the label holds the whole text";
    const QString shown = status->shownText();
    EXPECT_LE(status->fontMetrics().horizontalAdvance(shown), status->contentsRect().width());
    // Whatever the hand-off to a CAD said (a deep path can keep it from trying), its words stay.
    const QString saying = status->text().left(status->text().indexOf(QStringLiteral(": ")) + 2);
    EXPECT_TRUE(saying.startsWith(QStringLiteral("CAD が起動していないため保存のみ")) ||
                saying.startsWith(QStringLiteral("DXF を保存しました")))
        << status->text().toStdString();
    EXPECT_TRUE(shown.startsWith(saying)) << shown.toStdString();
    EXPECT_TRUE(shown.contains(QChar(0x2026))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("tabrova.dxf"))) << shown.toStdString();
    EXPECT_EQ(status->toolTipText(), status->text());
    // The source's text yields the room to it, down to its caption.
    EXPECT_LT(form_->SourceLabel->width(), status->width());
    EXPECT_TRUE(form_->SourceLabel->shownText().startsWith(QStringLiteral("取得元")));

    // Wide enough: the whole text, and no tool tip of it.
    form_->resize(2400, form_->height());
    QApplication::processEvents();
    EXPECT_EQ(status->shownText(), status->text());
    EXPECT_TRUE(status->toolTipText().isEmpty());
    EXPECT_EQ(form_->SourceLabel->shownText(), form_->SourceLabel->text());
    // Both inside the line.
    EXPECT_LE(form_->SourceLabel->geometry().right(), form_->CloseBookButton->x());
}

}  // namespace
}  // namespace tabrova::app::testing
