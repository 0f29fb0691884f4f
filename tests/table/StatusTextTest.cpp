#include <gtest/gtest.h>

#include "table/StatusText.h"

namespace tabrova {
namespace {

TEST(StatusText, NamesTheSourceOfTheNextRead) {
    const std::filesystem::path path = std::filesystem::path("folder") / "book.xlsx";
    const std::optional<WorkbookSource> file = WorkbookSource{path, u"部品", u"B2:D4", {}};
    const struct {
        std::optional<WorkbookSource> source;
        bool reachable;
        std::u16string expected;
    } cases[] = {
        {file, false, u"取得元: book.xlsx [部品] B2:D4"},
        {std::nullopt, true, u"取得元: 起動中の Excel (Excel.Application.16)"},
        {std::nullopt, false, u"取得元: なし (" + std::u16string(kNoWorkbookHint) + u")"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sourceStatusText(c.source, c.reachable, u"Excel.Application.16"), c.expected);
    }
    EXPECT_EQ(sourceToolTip(file), std::filesystem::path(path).make_preferred().u16string());
    EXPECT_EQ(sourceToolTip(std::nullopt), u"");
}

TEST(StatusText, TellsWhereTheDrawingWent) {
    const std::filesystem::path dxf = std::filesystem::path("dir") / "tabrova.dxf";
    const std::u16string shown = std::filesystem::path(dxf).make_preferred().u16string();
    EXPECT_EQ(insertStatusText(InsertOutcome::saved, dxf), u"DXF を保存しました: " + shown);
    EXPECT_EQ(insertStatusText(InsertOutcome::inserted, dxf), u"CAD へ挿入しました: " + shown);
    EXPECT_EQ(insertStatusText(InsertOutcome::savedWithoutCad, dxf),
              u"CAD が起動していないため保存のみ: " + shown);
    EXPECT_EQ(
        insertStatusText(InsertOutcome::inserted, dxf, 2),
        u"CAD へ挿入しました: " + shown + u" (DXF で表せない文字 2 個を「〓」に置き換えました)");
}

TEST(StatusText, NamesTheOptionsOnWhoseFactsTheReadLeftOut) {
    const OptionFacts none{}, all{true, true, true, true};
    const struct {
        OptionFacts unread, on;
        std::u16string expected;
    } cases[] = {
        {none, all, u""},
        {all, none, u""},
        {all, {false, false, false, true}, u""},  // the narrowing needs no fact of the cells
        {all,
         {true, false, false, false},
         u"「罫線の線種と太さ」 はセルごとの取得で読んでいないため、まだ図に反映されません. "
         u"「Excel から取得」で読み直してください."},
        {{false, true, true, false},
         all,
         u"「文字の縦位置」、「折り返して全体を表示」 はセルごとの取得で読んでいないため、まだ図に"
         u"反映されません. 「Excel から取得」で読み直してください."},
    };
    for (const auto& c : cases) EXPECT_EQ(unreadOptionsText(c.unread, c.on), c.expected);
}

}  // namespace
}  // namespace tabrova
