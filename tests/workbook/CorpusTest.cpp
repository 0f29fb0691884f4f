// Real workbooks saved by Excel: every one is read with its saved selection and with a larger
// range through all the members the selection reader uses; a few values are checked by hand.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/WorkbookObjects.h"
#include "table/CellAddress.h"

namespace tabrova::workbook {
namespace {

using automation::ObjectPtr;
using automation::Variant;

const std::filesystem::path kCorpus = TABROVA_XLSX_CORPUS_DIR;

std::vector<std::filesystem::path> corpusFiles() {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus, ec)) {
        if (entry.path().extension() == ".xlsx") files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The member reads of the selection reader for every cell of the range, as it makes them.
void readRange(const ObjectPtr& sheet, const CellRange& range) {
    for (std::uint32_t r = range.firstRow; r <= range.lastRow; ++r) {
        for (std::uint32_t c = range.firstCol; c <= range.lastCol; ++c) {
            const std::u16string address = ColNumToLetters(c) + CellAddress(0, r);
            const ObjectPtr cell =
                sheet->getObject(u"Range", {Variant(address), automation::Missing{}});
            cell->get(u"ColumnWidth").toDouble();
            cell->get(u"RowHeight").toDouble();
            cell->get(u"HorizontalAlignment").toInt();
            const Variant size = cell->getObject(u"Font")->get(u"Size");
            if (size.isNull()) {
                cell->getObject(u"Characters", {Variant(1), Variant(1)})
                    ->getObject(u"Font")
                    ->get(u"Size")
                    .toDouble();
            } else {
                size.toDouble();
            }
            ASSERT_TRUE(cell->get(u"Text").is<std::u16string>());
            cell->get(u"Value2");
            for (std::int32_t edge : {8, 9, 7, 10}) {
                cell->getObject(u"Borders", {Variant(edge)})->get(u"LineStyle").toInt();
            }
            cell->get(u"MergeCells").toBool();
            const ObjectPtr area = cell->getObject(u"MergeArea");
            EXPECT_GE(area->getObject(u"Rows")->get(u"Count").toInt(), 1);
            EXPECT_GE(area->getObject(u"Columns")->get(u"Count").toInt(), 1);
            EXPECT_GE(area->get(u"Left").toDouble(), 0);
            EXPECT_GE(area->get(u"Top").toDouble(), 0);
        }
    }
}

TEST(Corpus, EveryWorkbookReadsWithItsSelectionAndALargerRange) {
    const auto files = corpusFiles();
    if (files.empty()) GTEST_SKIP() << "no workbooks in " << kCorpus;
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        std::shared_ptr<XlsxWorkbook> wb;
        ASSERT_NO_THROW(wb = XlsxWorkbook::load(file));
        const ObjectPtr app = makeWorkbookApplication(wb);
        for (std::size_t i = 0; i < wb->sheets().size(); ++i) {
            if (!wb->sheets()[i].isWorksheet) continue;
            const ObjectPtr sheet =
                app->get(u"Worksheets", {Variant(static_cast<std::int32_t>(i + 1))}).toObject();
            sheet->call(u"Activate");
            const ObjectPtr sel = app->getObject(u"Selection");
            CellRange range;
            range.firstRow = static_cast<std::uint32_t>(sel->get(u"Row").toInt());
            range.firstCol = static_cast<std::uint32_t>(sel->get(u"Column").toInt());
            range.lastRow =
                range.firstRow +
                static_cast<std::uint32_t>(sel->getObject(u"Rows")->get(u"Count").toInt()) - 1;
            range.lastCol =
                range.firstCol +
                static_cast<std::uint32_t>(sel->getObject(u"Columns")->get(u"Count").toInt()) - 1;
            readRange(sheet, range);
            // A larger range: from A1 past the last stored cell.
            CellRange larger{1, 1, std::min<std::uint32_t>(range.lastRow + 3, 60),
                             std::min<std::uint32_t>(range.lastCol + 3, 30)};
            for (const Cell& c : wb->sheets()[i].cells) {
                larger.lastRow = std::max(larger.lastRow, std::min<std::uint32_t>(c.row + 1, 60));
                larger.lastCol = std::max(larger.lastCol, std::min<std::uint32_t>(c.col + 1, 30));
            }
            readRange(sheet, larger);
        }
    }
}

std::string value(const ObjectPtr& app, const char16_t* cell, const char16_t* member) {
    const ObjectPtr range = app->getObject(u"ActiveSheet")->getObject(u"Range", {Variant(cell)});
    ObjectPtr target = range;
    std::u16string path = member;
    std::size_t dot;
    while ((dot = path.find(u'.')) != std::u16string::npos) {
        target = target->getObject(path.substr(0, dot));
        path = path.substr(dot + 1);
    }
    const Variant v = target->get(path);
    if (const auto* s = v.get_if<std::u16string>()) {
        std::string out;
        for (char16_t c : *s) out += c < 128 ? static_cast<char>(c) : '?';
        return out;
    }
    if (const auto* d = v.get_if<double>()) return std::to_string(*d);
    if (const auto* i = v.get_if<std::int32_t>()) return std::to_string(*i);
    if (const auto* b = v.get_if<bool>()) return *b ? "true" : "false";
    return "?";
}

TEST(Corpus, ValuesCheckedByHand) {
    if (corpusFiles().empty()) GTEST_SKIP() << "no workbooks in " << kCorpus;
    struct Case {
        const char* file;
        const char16_t* cell;
        const char16_t* member;
        const char* expected;
    } cases[] = {
        {"merge_range01.xlsx", u"B2", u"Text", "Foo"},
        {"merge_range01.xlsx", u"C2", u"MergeCells", "true"},
        {"merge_range01.xlsx", u"C2", u"MergeArea.Columns.Count", "3"},
        {"merge_range01.xlsx", u"D2", u"MergeArea.Left", "48.000000"},
        {"merge_range01.xlsx", u"D2", u"MergeArea.Top", "15.000000"},
        {"rich_string01.xlsx", u"A3", u"Text", "abcdefg"},
        {"rich_string01.xlsx", u"A3", u"Font.Size", "11.000000"},
        {"unicode_shift_jis.xlsx", u"A1", u"ColumnWidth", "50.000000"},
        {"unicode_shift_jis.xlsx", u"A5", u"Text", "S2763"},
        {"default_row02.xlsx", u"A10", u"RowHeight", "15.000000"},
        {"default_row02.xlsx", u"A11", u"RowHeight", "0.000000"},
        {"date_1904_01.xlsx", u"A1", u"Text", "1900/1/1"},
        {"date_1904_01.xlsx", u"A1", u"ColumnWidth", "12.000000"},
        {"hide01.xlsx", u"A1", u"Worksheet.Name", "Sheet1"},
    };
    for (const Case& c : cases) {
        const auto path = kCorpus / c.file;
        if (!std::filesystem::exists(path)) continue;
        const ObjectPtr app = makeWorkbookApplication(XlsxWorkbook::load(path));
        EXPECT_EQ(value(app, c.cell, c.member), c.expected) << c.file;
    }
    const auto selection01 = kCorpus / "selection01.xlsx";
    if (std::filesystem::exists(selection01)) {
        const ObjectPtr app = makeWorkbookApplication(XlsxWorkbook::load(selection01));
        EXPECT_EQ(app->getObject(u"Selection")->get(u"Address").toText(), u"$B$4:$C$5");
    }
}

}  // namespace
}  // namespace tabrova::workbook
