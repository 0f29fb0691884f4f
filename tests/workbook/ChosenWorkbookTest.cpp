#include <gtest/gtest.h>

#include <tuple>

#include "workbook/ChosenWorkbook.h"
#include "workbook/TestWorkbooks.h"
#include "workbook/WorkbookFile.h"

namespace tabrova::workbook {
namespace {

using testing::buildXlsx;
using testing::TempDir;

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

std::shared_ptr<WorkbookFile> openFile(const std::filesystem::path& path) {
    return WorkbookFile::open(path);
}

// The sheet and range a read of the chosen workbook takes, and the text of its first cell.
struct Read {
    std::u16string sheet;
    std::int64_t firstRow = 0, firstCol = 0, rows = 0, cols = 0;
    std::u16string firstText;
};
Read readOf(ChosenWorkbook& chosen) {
    const std::unique_ptr<SelectionSource> source = chosen.prepareRead();
    if (!source) return {};
    const std::u16string sheet = source->open().sheetName;
    const SelectionRange s = source->range();
    source->beginCells();
    return {sheet,      s.firstRow, s.firstCol,
            s.rowCount, s.colCount, source->cell(s.firstRow, s.firstCol).text};
}

TEST(ChosenWorkbook, ChoosingReadsTheConfirmedSheetAndRangeUntilClosed) {
    TempDir dir;
    const auto path = writeBook(dir / "book.xlsx", "old");
    ChosenWorkbook chosen;
    chosen.choose(openFile(path), u"表紙", u"A1:B2");
    ASSERT_TRUE(chosen.source().has_value());
    EXPECT_EQ(chosen.source()->range, u"A1:B2");
    const Read read = readOf(chosen);
    EXPECT_EQ(read.sheet, u"表紙");
    EXPECT_EQ(std::tuple(read.firstRow, read.firstCol, read.rows, read.cols),
              std::tuple(1, 1, 2, 2));
    EXPECT_EQ(read.firstText, u"cover");

    chosen.close();
    EXPECT_FALSE(chosen.source().has_value());
    EXPECT_EQ(chosen.prepareRead(), nullptr);
}

TEST(ChosenWorkbook, AChoiceThatCannotBeOpenedLeavesNoSource) {
    TempDir dir;
    const auto path = writeBook(dir / "book.xlsx", "old");
    ChosenWorkbook chosen;
    EXPECT_THROW(chosen.choose(openFile(path), u"無い", u"A1"), WorkbookError);
    EXPECT_THROW(openFile(dir / "missing.xlsx"), WorkbookError);
    EXPECT_FALSE(chosen.source().has_value());
    EXPECT_EQ(chosen.prepareRead(), nullptr);
}

TEST(ChosenWorkbook, AFileSavedAgainIsReadAgainAndALostSheetIsReported) {
    TempDir dir;
    const auto path = writeBook(dir / "book.xlsx", "old");
    ChosenWorkbook chosen;
    chosen.choose(openFile(path), u"部品", u"A1:C3");
    const WorkbookFile* first = chosen.workbook();
    EXPECT_EQ(readOf(chosen).firstText, u"old");
    EXPECT_EQ(chosen.workbook(), first) << "an unchanged file is not read again";

    const auto saved = std::filesystem::last_write_time(path);
    writeBook(path, "new");
    std::filesystem::last_write_time(path, saved + std::chrono::seconds(10));
    EXPECT_EQ(readOf(chosen).firstText, u"new");

    writeBook(path, "", false);
    std::filesystem::last_write_time(path, saved + std::chrono::seconds(20));
    EXPECT_THROW(chosen.prepareRead(), WorkbookError);
    EXPECT_TRUE(chosen.source().has_value()) << "a later read tries again";
}

TEST(ChosenWorkbook, WorksheetChoicesCarryTheSavedSelectionAndTheActiveSheet) {
    TempDir dir;
    const auto book = openFile(writeBook(dir / "book.xlsx", "old"));
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
}

TEST(ChosenWorkbook, ARangeTypedInFullWidthFormsIsTakenAsAscii) {
    const struct {
        std::u16string typed;
        std::u16string range;
    } cases[] = {
        {u" \u3000C5\t", u"C5"},
        {u"ａ１：ｃ５", u"a1:c5"},
        {u"\u3000Ａ１：Ｃ５\u3000", u"A1:C5"},
        {u"＄Ｂ＄２:$D$4", u"$B$2:$D$4"},
        {u"！～", u"!~"},              // the two ends of the full-width block
        {u"Ａ１\uFF5F", u"A1\uFF5F"},  // beyond it: kept, and refused below
    };
    for (const auto& c : cases) {
        EXPECT_EQ(trimmedRange(c.typed), c.range) << std::string(c.range.begin(), c.range.end());
    }
    EXPECT_EQ(confirmationProblem(true, u"ａ１：ｃ５"), std::nullopt);
    EXPECT_EQ(confirmationProblem(true, u"Ａ１\uFF5F"),
              u"範囲 \"Ａ１\uFF5F\" はセル範囲ではありません (例: B2:F20).");
}

}  // namespace
}  // namespace tabrova::workbook
