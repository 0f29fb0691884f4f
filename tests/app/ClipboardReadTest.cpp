// "クリップボードから取得" and Ctrl+Shift+V against a stand-in clipboard: Excel's copy read into
// the grid as a read, undone in one step; a clipboard without a copied range said in a message,
// with the window as it was.
#include <QKeySequence>
#include <QShortcut>

#include "AppFixture.h"

namespace tabrova::app::testing {
namespace {

class StandInClipboard final : public workbook::ClipboardFormats {
public:
    explicit StandInClipboard(std::vector<std::pair<std::string, std::string>> contents)
        : contents_(std::move(contents)) {}
    std::vector<std::string> formats() const override {
        std::vector<std::string> names;
        for (const auto& entry : contents_) names.push_back(entry.first);
        return names;
    }
    std::optional<std::string> bytes(const std::string& format) const override {
        for (const auto& [name, bytes] : contents_)
            if (name == format) return bytes;
        return std::nullopt;
    }

private:
    std::vector<std::pair<std::string, std::string>> contents_;
};

const char* const kExcelCopy = R"(<?xml version="1.0"?>
<Workbook xmlns="urn:schemas-microsoft-com:office:spreadsheet"
 xmlns:ss="urn:schemas-microsoft-com:office:spreadsheet">
 <Styles><Style ss:ID="Default" ss:Name="Normal"><Font ss:FontName="Calibri" ss:Size="11"/></Style></Styles>
 <Worksheet ss:Name="部品">
  <Table ss:ExpandedColumnCount="2" ss:ExpandedRowCount="2">
   <Row><Cell ss:MergeAcross="1"><Data ss:Type="String">見出し</Data></Cell></Row>
   <Row><Cell><Data ss:Type="String">M8</Data></Cell><Cell><Data ss:Type="Number">3</Data></Cell></Row>
  </Table>
 </Worksheet>
</Workbook>)";

class ClipboardRead : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        previousHook_ = TForm1::clipboardHook();
    }
    void TearDown() override {
        TForm1::clipboardHook() = previousHook_;
        MainWindowTest::TearDown();
    }
    void holdOnClipboard(std::vector<std::pair<std::string, std::string>> contents) {
        TForm1::clipboardHook() = [contents] {
            return std::unique_ptr<workbook::ClipboardFormats>(
                std::make_unique<StandInClipboard>(contents));
        };
    }
    std::function<std::unique_ptr<workbook::ClipboardFormats>()> previousHook_;
};

TEST_F(ClipboardRead, ExcelsCopyIsReadIntoTheGridAndUndoneInOneStep) {
    QPushButton* button = find<QPushButton>("ClipboardButton");
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), "クリップボードから取得");
    EXPECT_FALSE(button->toolTip().isEmpty());
    holdOnClipboard({{"XML Spreadsheet", kExcelCopy}, {"text/plain", "見出し\t\r\nM8\t3 個\r\n"}});
    const QString captionBefore = form_->windowTitle();

    // Ctrl+Shift+V does what the button does.
    QShortcut* key = find<QShortcut>("ClipboardShortcut");
    ASSERT_NE(key, nullptr);
    EXPECT_TRUE(key->keys().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V)));
    emit key->activated();

    EXPECT_TRUE(messages_.empty()) << messages_.front().text.toStdString();
    EXPECT_EQ(form_->windowTitle(), "クリップボード [部品]");
    EXPECT_EQ(form_->Edit2->text(), "A1");
    EXPECT_EQ(form_->Edit3->text(), "B2");
    StringGrid* grid = form_->StringGrid1;
    ASSERT_EQ(grid->colCount(), 3);
    ASSERT_EQ(grid->rowCount(), 3);
    EXPECT_EQ(grid->cell(1, 1), "見出し");
    EXPECT_EQ(grid->cell(2, 2), "3 個") << "the text Excel showed";
    EXPECT_TRUE(form_->cellTable().at(1, 0).mark) << "A1:B1 merged";
    EXPECT_TRUE(form_->Button4->isEnabled());
    EXPECT_TRUE(button->isEnabled());

    form_->Undo();
    EXPECT_EQ(form_->cellTable().colCount * form_->cellTable().rowCount, 0);
    EXPECT_EQ(form_->windowTitle(), captionBefore);
}

TEST_F(ClipboardRead, AClipboardWithoutACopiedRangeIsSaidAndChangesNothing) {
    holdOnClipboard({{"XML Spreadsheet", kExcelCopy}, {"text/plain", "a\tb\r\nc\td\r\n"}});
    form_->ClipboardButton->click();
    ASSERT_TRUE(form_->Button4->isEnabled());
    const QString caption = form_->windowTitle();

    const struct {
        std::vector<std::pair<std::string, std::string>> contents;
        const char* said;
    } cases[] = {
        {{}, "クリップボードは空です"},
        {{{"text/plain", "just words"}}, "テキストしか"},
        {{{"text/html", "<b>x</b>"}, {"text/plain", "x"}}, "HTML"},
        {{{"image/png", "\x89PNG"}}, "画像"},
        // A damaged or hostile copy: the reader's reason, in Japanese.
        {{{"XML Spreadsheet", "<?xml version=\"1.0\"?><!DOCTYPE W [<!ENTITY a \"x\">]><W/>"}},
         "文書型宣言 (DTD)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.said);
        messages_.clear();
        holdOnClipboard(c.contents);
        form_->ClipboardButton->click();
        ASSERT_EQ(messages_.size(), 1u);
        EXPECT_TRUE(messages_.front().text.startsWith("クリップボードから取得できませんでした."));
        EXPECT_TRUE(messages_.front().text.contains(QString::fromUtf8(c.said)))
            << messages_.front().text.toStdString();
        EXPECT_EQ(form_->windowTitle(), caption);
        EXPECT_EQ(form_->StringGrid1->cell(1, 1), "a");
        EXPECT_TRUE(form_->Button4->isEnabled());
        EXPECT_TRUE(form_->ClipboardButton->isEnabled());
    }
    // Nothing was read: the one undo step is the read of the table.
    form_->Undo();
    EXPECT_EQ(form_->cellTable().colCount * form_->cellTable().rowCount, 0);
}

TEST_F(ClipboardRead, CopiesWhoseFormsDisagreeSaySoInTheStatusBar) {
    holdOnClipboard({{"XML Spreadsheet", kExcelCopy}, {"text/plain", "見出し\t\r\n"}});
    form_->ClipboardButton->click();
    EXPECT_TRUE(messages_.empty());
    EXPECT_TRUE(form_->StatusLabel->text().contains("1 行 x 2 列"))
        << form_->StatusLabel->text().toStdString();
    EXPECT_EQ(form_->StringGrid1->cell(1, 2), "M8") << "the XML's text where the text lacks it";
}

}  // namespace
}  // namespace tabrova::app::testing
