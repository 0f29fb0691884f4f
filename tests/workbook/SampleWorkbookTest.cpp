// The sample workbook the project ships reads as its author laid it out.
#include <gtest/gtest.h>

#include "support/WorkbookObjects.h"

namespace tabrova::workbook {
namespace {

using automation::ObjectPtr;
using automation::Variant;

TEST(SampleWorkbook, PartsListReadsWithMergedHeadersBordersDatesAndAmounts) {
    const auto wb =
        XlsxWorkbook::load(std::filesystem::path(TABROVA_SAMPLES_DIR) / "parts-list.xlsx");
    const ObjectPtr app = makeWorkbookApplication(wb);
    EXPECT_EQ(app->getObject(u"ActiveSheet")->get(u"Name").toText(), u"部品表");
    EXPECT_EQ(app->getObject(u"Selection")->get(u"Address").toText(), u"$A$1:$H$16");
    const ObjectPtr sheet = app->getObject(u"ActiveSheet");
    auto cell = [&](const char16_t* address) {
        return sheet->getObject(u"Range", {Variant(address), automation::Missing{}});
    };
    EXPECT_EQ(cell(u"A1")->get(u"Text").toText(), u"部品表　コンベヤ駆動ユニット CV-100");
    EXPECT_EQ(cell(u"A1")->getObject(u"Font")->get(u"Size").toDouble(), 16);
    EXPECT_EQ(cell(u"H1")->getObject(u"MergeArea")->getObject(u"Columns")->get(u"Count").toInt(),
              8);
    EXPECT_EQ(cell(u"B5")->getObject(u"MergeArea")->get(u"Address").toText(), u"$B$4:$B$5");
    EXPECT_EQ(cell(u"E4")->get(u"Text").toText(), u"価格（円）");
    EXPECT_EQ(cell(u"E5")->get(u"Text").toText(), u"単価");
    EXPECT_EQ(cell(u"E5")->getObject(u"Borders", {Variant(9)})->get(u"LineStyle").toInt(), -4119);
    EXPECT_EQ(cell(u"E6")->getObject(u"Borders", {Variant(8)})->get(u"LineStyle").toInt(),
              1);  // its own
    EXPECT_EQ(cell(u"B6")->get(u"Text").toText(), u"ギヤードモータ");
    EXPECT_EQ(cell(u"F6")->get(u"Text").toText(), u"86,500");
    EXPECT_EQ(cell(u"F6")->get(u"Value2").toDouble(), 86500);
    EXPECT_EQ(cell(u"G6")->get(u"Text").toText(), u"3月15日");
    EXPECT_EQ(cell(u"G2")->get(u"Text").toText(), u"2024年2月1日");
    EXPECT_EQ(cell(u"A16")->get(u"Text").toText(), u"合計");
    EXPECT_EQ(cell(u"F16")->get(u"Text").toText(), u"¥188,272");
    EXPECT_EQ(cell(u"A1")->get(u"RowHeight").toDouble(), 27);
    EXPECT_EQ(cell(u"B1")->get(u"ColumnWidth").toDouble(), 22);
}

}  // namespace
}  // namespace tabrova::workbook
