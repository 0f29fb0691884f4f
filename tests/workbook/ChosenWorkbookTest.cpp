#include <gtest/gtest.h>

#include "workbook/ChosenWorkbook.h"
#include "workbook/TestWorkbooks.h"
#include "workbook/WorkbookObjects.h"
#include "workbook/XlsxWorkbook.h"

namespace tabrova::workbook {
namespace {

using automation::ObjectPtr;
using automation::Variant;
using testing::buildXlsx;
using testing::TempDir;

constexpr const char16_t* kProgId = u"Tabrova.ChosenBook";

// A cover sheet, then the parts sheet (active, B2:C3 selected) whose A1 holds text.
std::filesystem::path writeBook(const std::filesystem::path& path, const char* text,
                                bool withParts = true) {
    return buildXlsx(path, [&](lxw_workbook* book) {
        worksheet_write_string(workbook_add_worksheet(book, "表紙"), 0, 0, "cover", nullptr);
        if (!withParts) return;
        lxw_worksheet* parts = workbook_add_worksheet(book, "部品");
        worksheet_write_string(parts, 0, 0, text, nullptr);
        worksheet_set_selection(parts, 1, 1, 2, 2);
        worksheet_activate(parts);
    });
}

// The application that answers the ProgID, or nothing.
ObjectPtr answering(const std::u16string& progId) {
    try {
        return automation::activeObject(automation::classIdFromProgId(progId));
    } catch (const automation::AutomationError&) {
        return nullptr;
    }
}

std::u16string text(const ObjectPtr& object, std::u16string_view member) {
    const Variant value = object->get(member);
    const auto* s = value.get_if<std::u16string>();
    return s != nullptr ? *s : u"(not a text)";
}

std::u16string cellA1(const ObjectPtr& app) {
    return text(app->getObject(u"ActiveSheet")->getObject(u"Range", {Variant(u"A1")}), u"Text");
}

TEST(ChosenWorkbook, ChoosingSelectsTheConfirmedSheetAndRangeUntilClosed) {
    TempDir dir;
    const auto path = writeBook(dir / "book.xlsx", "old");
    ChosenWorkbook chosen;
    chosen.choose(path, u"表紙", u"A1:B2", kProgId);
    ASSERT_TRUE(chosen.source().has_value());
    EXPECT_EQ(chosen.source()->range, u"A1:B2");
    const ObjectPtr app = answering(kProgId);
    ASSERT_NE(app, nullptr);
    EXPECT_EQ(text(app->getObject(u"ActiveSheet"), u"Name"), u"表紙");
    EXPECT_EQ(text(app->getObject(u"Selection"), u"Address"), u"$A$1:$B$2");

    chosen.close();
    EXPECT_FALSE(chosen.source().has_value());
    EXPECT_EQ(answering(kProgId), nullptr);
}

TEST(ChosenWorkbook, AChoiceThatCannotBeOpenedLeavesNoSource) {
    TempDir dir;
    const auto path = writeBook(dir / "book.xlsx", "old");
    ChosenWorkbook chosen;
    EXPECT_THROW(chosen.choose(path, u"無い", u"A1", kProgId), WorkbookError);
    EXPECT_THROW(chosen.choose(dir / "missing.xlsx", u"部品", u"A1", kProgId), WorkbookError);
    EXPECT_FALSE(chosen.source().has_value());
    EXPECT_EQ(answering(kProgId), nullptr);
    EXPECT_NO_THROW(chosen.prepareRead(kProgId));
}

TEST(ChosenWorkbook, AFileSavedAgainIsReadAgainAndALostSheetIsReported) {
    TempDir dir;
    const auto path = writeBook(dir / "book.xlsx", "old");
    ChosenWorkbook chosen;
    chosen.choose(path, u"部品", u"B2:C3", kProgId);
    const ObjectPtr first = answering(kProgId);
    chosen.prepareRead(kProgId);
    EXPECT_EQ(answering(kProgId), first) << "an unchanged file is not read again";

    const auto saved = std::filesystem::last_write_time(path);
    writeBook(path, "new");
    std::filesystem::last_write_time(path, saved + std::chrono::seconds(10));
    chosen.prepareRead(kProgId);
    ASSERT_NE(answering(kProgId), nullptr);
    EXPECT_EQ(cellA1(answering(kProgId)), u"new");

    // Another ProgID in the settings: the file answers that one instead.
    chosen.prepareRead(u"Tabrova.ChosenBook2");
    EXPECT_EQ(answering(kProgId), nullptr);
    EXPECT_NE(answering(u"Tabrova.ChosenBook2"), nullptr);

    writeBook(path, "", false);
    std::filesystem::last_write_time(path, saved + std::chrono::seconds(20));
    EXPECT_THROW(chosen.prepareRead(kProgId), WorkbookError);
    EXPECT_TRUE(chosen.source().has_value()) << "a later read tries again";
    EXPECT_EQ(answering(kProgId), nullptr) << "never the wrong sheet";
}

TEST(ChosenWorkbook, WorksheetChoicesCarryTheSavedSelectionAndTheActiveSheet) {
    TempDir dir;
    const auto book = XlsxWorkbook::load(writeBook(dir / "book.xlsx", "old"));
    const auto choices = worksheetChoices(*book);
    ASSERT_EQ(choices.size(), 2u);
    EXPECT_EQ(choices[0].name, u"表紙");
    EXPECT_EQ(choices[0].selection, u"A1");
    EXPECT_FALSE(choices[0].active);
    EXPECT_EQ(choices[1].name, u"部品");
    EXPECT_EQ(choices[1].selection, u"B2:C3");
    EXPECT_TRUE(choices[1].active);
}

TEST(ChosenWorkbook, ConfirmationNeedsAWorksheetAndACellRange) {
    const struct {
        bool hasWorksheet;
        std::u16string typed;
        std::optional<std::u16string> problem;
    } cases[] = {
        {true, u"B2:F20", std::nullopt},
        {true, u" \u3000C5\t", std::nullopt},
        {true, u"B2:", u"範囲 \"B2:\" はセル範囲ではありません (例: B2:F20)."},
        {true, u"", u"範囲 \"\" はセル範囲ではありません (例: B2:F20)."},
        {false, u"B2", u"このブックには取得できるワークシートがありません."},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(confirmationProblem(c.hasWorksheet, c.typed), c.problem)
            << std::string(c.typed.begin(), c.typed.end());
    }
    EXPECT_EQ(trimmedRange(u" \u3000C5\t"), u"C5");
}

}  // namespace
}  // namespace tabrova::workbook
