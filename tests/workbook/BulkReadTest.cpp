// The running application's bulk read against its cell-by-cell read, both of the tests' imitation
// of the application serving a workbook: the same table and grid, member for member, on the test
// workbooks and the corpus of Excel-made ones, for saved, random and edge selections (merged areas
// cut on every side); and the calls each read makes.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <sstream>

#include "platform/Utf8.h"
#include "support/CountingObject.h"
#include "support/WorkbookObjects.h"
#include "support/XmlRewritingObject.h"
#include "table/CellAddress.h"
#include "table/ExcelCellSource.h"
#include "table/SelectionReader.h"
#include "workbook/ExcelBulkSource.h"
#include "workbook/TestWorkbooks.h"

namespace tabrova::workbook {
namespace {

using automation::ObjectPtr;
using automation::Variant;

constexpr std::u16string_view kProgId = u"Tabrova.BulkSheet";

// The first member in which two records differ, or empty.
std::string firstDifference(const TXlsxCellAttr& a, const TXlsxCellAttr& b) {
    const std::pair<bool, const char*> members[] = {
        {a.rowH == b.rowH, "rowH"},
        {a.colW == b.colW, "colW"},
        {a.txtSize == b.txtSize, "txtSize"},
        {a.txtAlign == b.txtAlign, "txtAlign"},
        {a.str == b.str, "str"},
        {a.lineBits == b.lineBits, "lineBits"},
        {a.cellMerge == b.cellMerge, "cellMerge"},
        {a.mergerowYscount == b.mergerowYscount, "mergerowYscount"},
        {a.mergecolXscount == b.mergecolXscount, "mergecolXscount"},
        {a.mergeLeft == b.mergeLeft, "mergeLeft"},
        {a.mergeTop == b.mergeTop, "mergeTop"},
        {a.mergeW == b.mergeW, "mergeW"},
        {a.mergeH == b.mergeH, "mergeH"},
        {a.mergeBits == b.mergeBits, "mergeBits"},
        {a.mark == b.mark, "mark"},
        {a.drawH == b.drawH, "drawH"},
        {a.drawW == b.drawW, "drawW"},
        {a.drawMH == b.drawMH, "drawMH"},
        {a.drawMW == b.drawMW, "drawMW"},
        {a.drawTH == b.drawTH, "drawTH"},
        {a.edgeStyles == b.edgeStyles, "edgeStyles"},
        {a.txtPlace == b.txtPlace, "txtPlace"},
        {a.wrapText == b.wrapText, "wrapText"},
        {a.shrinkToFit == b.shrinkToFit, "shrinkToFit"},
    };
    for (const auto& [same, name] : members)
        if (!same) return name;
    return {};
}

struct Read {
    CellTable table;
    GridContents grid;
    SelectionReadStatus status = SelectionReadStatus::complete;
    std::int64_t calls = 0;
    std::u16string fallback;
};

// The workbook served as the running application, with the sheet and range selected.
class Served {
public:
    Served(const std::filesystem::path& path, std::size_t sheet, const CellRange& range,
           tabrova::testing::XmlRewrite rewrite = {})
        : book_(XlsxWorkbook::load(path)),
          sheet_(sheet),
          app_(makeWorkbookApplication(XlsxWorkbook::open(path))),
          calls_(std::make_shared<std::int64_t>(0)) {
        if (rewrite)
            app_ = std::make_shared<tabrova::testing::XmlRewritingObject>(app_, std::move(rewrite));
        app_->get(u"Worksheets", {Variant(static_cast<std::int32_t>(sheet + 1))})
            .toObject()
            ->call(u"Activate");
        app_->getObject(u"ActiveSheet")
            ->getObject(u"Range", {Variant(rangeText(range)), automation::Missing{}})
            ->call(u"Select");
        automation::registerStandIn(
            kProgId, std::make_shared<tabrova::testing::CountingObject>(app_, calls_));
    }
    ~Served() { automation::unregisterStandIn(kProgId); }

    Read read(bool bulk) {
        SelectionReadSettings settings;
        settings.progId = std::u16string(kProgId);
        settings.colXsc = 20;
        settings.rowYsc = 3;
        settings.cadXsc = 3;
        settings.cadYsc = 0.43;
        settings.cadTsc = 0.27;
        settings.cellByCellOptions = {true, true, true, true};
        Read r;
        *calls_ = 0;
        ExcelBulkSource bulkSource(settings.progId, u'.', settings.cellByCellOptions);
        ExcelCellSource cellSource(settings.progId, u'.', settings.cellByCellOptions);
        SelectionSource& source = bulk ? static_cast<SelectionSource&>(bulkSource) : cellSource;
        r.status = readSelection(settings, source, r.table, r.grid).status;
        r.calls = *calls_;
        r.fallback = bulkSource.fallbackReason();
        return r;
    }

    bool controlCharactersAround(const CellRange& r) const {
        const Sheet& sheet = book_->sheets()[sheet_];
        const CellRange around{r.firstRow > 1 ? r.firstRow - 1 : 1,
                               r.firstCol > 1 ? r.firstCol - 1 : 1, r.lastRow + 1, r.lastCol + 1};
        for (const Cell& cell : sheet.cells) {
            if (!around.contains(cell.row, cell.col) || cell.type != CellType::string) continue;
            for (char16_t ch : book_->textOf(sheet, cell).text)
                if ((ch < 0x20 && ch != u'\t' && ch != u'\n' && ch != u'\r') || ch >= 0xFFFE)
                    return true;
        }
        return false;
    }

    static std::u16string rangeText(const CellRange& r) {
        return CellAddress(r.firstCol, r.firstRow) + u":" + CellAddress(r.lastCol, r.lastRow);
    }

private:
    std::shared_ptr<XlsxWorkbook> book_;  // every cell, for the characters XML cannot hold
    std::size_t sheet_;
    ObjectPtr app_;
    std::shared_ptr<std::int64_t> calls_;
};

// Reads the range both ways; a failure names the workbook, the range and the first difference.
void expectSameReads(const std::filesystem::path& path, std::size_t sheet, const CellRange& range) {
    Served served(path, sheet, range);
    const Read perCell = served.read(false);
    const Read bulk = served.read(true);
    const std::string where = path.filename().string() + " sheet " + std::to_string(sheet + 1) +
                              " " + utf16ToUtf8(Served::rangeText(range));
    ASSERT_EQ(perCell.status, SelectionReadStatus::complete) << where;
    ASSERT_EQ(bulk.status, SelectionReadStatus::complete) << where;
    // Only a text with a character that XML cannot hold, in the selection or the ring
    // around it, sends the bulk read to the per-cell read.
    EXPECT_EQ(!bulk.fallback.empty(), served.controlCharactersAround(range))
        << where << ": " << utf16ToUtf8(bulk.fallback);
    ASSERT_EQ(bulk.table.cells.size(), perCell.table.cells.size()) << where;
    for (std::int32_t r = 0; r < perCell.table.rowCount; ++r) {
        for (std::int32_t c = 0; c < perCell.table.colCount; ++c) {
            const std::string diff = firstDifference(bulk.table.at(c, r), perCell.table.at(c, r));
            ASSERT_EQ(diff, "") << where << " cell "
                                << utf16ToUtf8(CellAddress(range.firstCol + c, range.firstRow + r))
                                << ": " << utf16ToUtf8(bulk.table.at(c, r).str) << " / "
                                << utf16ToUtf8(perCell.table.at(c, r).str);
        }
    }
    EXPECT_EQ(bulk.grid.texts, perCell.grid.texts) << where;
    EXPECT_EQ(bulk.grid.colWidths, perCell.grid.colWidths) << where;
    EXPECT_EQ(bulk.grid.rowHeights, perCell.grid.rowHeights) << where;
    EXPECT_EQ(bulk.grid.caption, perCell.grid.caption) << where;
}

// The saved selection (at most 30 x 30), a window from A1, ranges that cut each merged area on
// each side, and random ranges.
std::vector<CellRange> selectionsOf(const XlsxWorkbook& book, std::size_t sheet,
                                    std::mt19937& rng) {
    const Sheet& s = book.sheets()[sheet];
    std::vector<CellRange> ranges;
    CellRange saved = s.selection;
    saved.lastRow = std::min(saved.lastRow, saved.firstRow + 29);
    saved.lastCol = std::min(saved.lastCol, saved.firstCol + 29);
    ranges.push_back(saved);
    ranges.push_back({1, 1, 25, 12});
    for (std::size_t i = 0; i < std::min<std::size_t>(s.merges.size(), 4); ++i) {
        const CellRange& m = s.merges[i];
        auto lo = [](std::uint32_t v) { return v > 1 ? v - 1 : 1; };
        // Through the middle of the area: the upper (left) part ends, the lower (right) begins.
        const std::uint32_t upperEnd = (m.firstRow + m.lastRow) / 2, lowerStart = upperEnd + 1;
        const std::uint32_t leftEnd = (m.firstCol + m.lastCol) / 2, rightStart = leftEnd + 1;
        if (m.lastRow > m.firstRow) {
            ranges.push_back({lowerStart, lo(m.firstCol), m.lastRow + 1, m.lastCol + 1});
            ranges.push_back({lo(m.firstRow), lo(m.firstCol), upperEnd, m.lastCol + 1});
        }
        if (m.lastCol > m.firstCol) {
            ranges.push_back({lo(m.firstRow), rightStart, m.lastRow + 1, m.lastCol + 1});
            ranges.push_back({lo(m.firstRow), lo(m.firstCol), m.lastRow + 1, leftEnd});
        }
    }
    std::uniform_int_distribution<std::uint32_t> start(1, 20), size(1, 15);
    for (int i = 0; i < 2; ++i) {
        const std::uint32_t r = start(rng), c = start(rng);
        ranges.push_back({r, c, r + size(rng) - 1, c + size(rng) - 1});
    }
    return ranges;
}

void expectSameReadsOfWorkbook(const std::filesystem::path& path) {
    std::shared_ptr<XlsxWorkbook> book;
    try {
        book = XlsxWorkbook::load(path);
    } catch (const WorkbookError&) {
        return;  // refused alike by every read
    }
    std::mt19937 rng(7);
    for (std::size_t s = 0; s < book->sheets().size() && s < 3; ++s) {
        if (!book->sheets()[s].isWorksheet) continue;
        for (const CellRange& range : selectionsOf(*book, s, rng)) {
            expectSameReads(path, s, range);
            if (::testing::Test::HasFailure()) return;
        }
    }
}

// Merged areas, every border style, rich and multi-line texts, numbers under formats, a hidden
// row and column, and a row of other height.
std::filesystem::path featureWorkbook(const std::filesystem::path& path) {
    return testing::buildXlsx(path, [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "表");
        const lxw_format_borders styles[] = {
            LXW_BORDER_THIN,          LXW_BORDER_MEDIUM,
            LXW_BORDER_DASHED,        LXW_BORDER_DOTTED,
            LXW_BORDER_THICK,         LXW_BORDER_DOUBLE,
            LXW_BORDER_HAIR,          LXW_BORDER_MEDIUM_DASHED,
            LXW_BORDER_DASH_DOT,      LXW_BORDER_MEDIUM_DASH_DOT,
            LXW_BORDER_DASH_DOT_DOT,  LXW_BORDER_MEDIUM_DASH_DOT_DOT,
            LXW_BORDER_SLANT_DASH_DOT};
        for (std::size_t i = 0; i < std::size(styles); ++i) {
            lxw_format* f = workbook_add_format(wb);
            format_set_border(f, styles[i]);
            if (i % 3 == 1) format_set_align(f, LXW_ALIGN_VERTICAL_TOP);
            if (i % 4 == 2) format_set_text_wrap(f);
            if (i % 5 == 3) format_set_shrink(f);
            if (i % 2 == 0) format_set_num_format(f, "#,##0.00");
            const auto row = static_cast<lxw_row_t>(1 + i);
            worksheet_write_number(ws, row, 1, 1234.5 * static_cast<double>(i), f);
            worksheet_write_string(ws, row, 3, "行1\n行2", f);
        }
        lxw_format* centred = workbook_add_format(wb);
        format_set_align(centred, LXW_ALIGN_CENTER);
        format_set_border(centred, LXW_BORDER_MEDIUM);
        worksheet_merge_range(ws, 2, 5, 4, 7, "結合", centred);
        worksheet_merge_range(ws, 8, 5, 8, 8, "横長", nullptr);
        lxw_format* big = workbook_add_format(wb);
        format_set_font_size(big, 16);
        lxw_rich_string_tuple small = {nullptr, const_cast<char*>("小")};
        lxw_rich_string_tuple large = {big, const_cast<char*>("大きい")};
        lxw_rich_string_tuple* runs[] = {&small, &large, nullptr};
        worksheet_write_rich_string(ws, 10, 5, runs, nullptr);
        worksheet_write_boolean(ws, 11, 5, 1, nullptr);
        worksheet_write_formula_num(ws, 12, 5, "=1/2", nullptr, 0.5);
        worksheet_set_row_opt(ws, 6, 18, nullptr, nullptr);
        lxw_row_col_options hidden = {1, 0, 0};
        worksheet_set_row_opt(ws, 7, LXW_DEF_ROW_HEIGHT, nullptr, &hidden);
        worksheet_set_column_opt(ws, 2, 2, 9, nullptr, &hidden);
        worksheet_set_column(ws, 3, 3, 14, nullptr);
        worksheet_set_selection(ws, 0, 0, 14, 9);
    });
}

TEST(BulkRead, GivesTheSameTableAsTheCellByCellReadOnTheTestWorkbooks) {
    testing::TempDir dir;
    expectSameReadsOfWorkbook(featureWorkbook(dir / "features.xlsx"));
    expectSameReadsOfWorkbook(std::filesystem::path(TABROVA_SAMPLES_DIR) / "parts-list.xlsx");
}

TEST(BulkRead, GivesTheSameTableAsTheCellByCellReadOnTheCorpus) {
    std::vector<std::filesystem::path> files;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(TABROVA_XLSX_CORPUS_DIR, ec))
        if (entry.path().extension() == ".xlsx") files.push_back(entry.path());
    if (files.empty()) GTEST_SKIP() << "no corpus at " << TABROVA_XLSX_CORPUS_DIR;
    std::sort(files.begin(), files.end());
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        expectSameReadsOfWorkbook(file);
        if (::testing::Test::HasFailure()) return;
    }
}

// The calls each read makes, counted as a server in another process counts them: for a table of
// texts at most two per row and column and ten more.
TEST(BulkRead, CallsForATableOfTextsGrowWithRowsAndColumnsNotCells) {
    testing::TempDir dir;
    const auto path = testing::buildXlsx(dir / "texts.xlsx", [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "部品表");
        lxw_format* boxed = workbook_add_format(wb);
        format_set_border(boxed, LXW_BORDER_THIN);
        for (lxw_row_t r = 0; r < 50; ++r) {
            for (lxw_col_t c = 0; c < 40; ++c) {
                const std::string text = "品名" + std::to_string(r) + "-" + std::to_string(c);
                worksheet_write_string(ws, r, c, text.c_str(), boxed);
            }
            if (r % 5 == 0) worksheet_set_row(ws, r, 21, nullptr);
        }
        for (lxw_col_t c = 0; c < 40; c += 3) worksheet_set_column(ws, c, c, 14, nullptr);
    });
    Served served(path, 0, {1, 1, 50, 40});
    const Read perCell = served.read(false);
    const Read bulk = served.read(true);
    ASSERT_EQ(bulk.status, SelectionReadStatus::complete);
    EXPECT_TRUE(bulk.fallback.empty());
    EXPECT_LE(bulk.calls, 2 * (50 + 40) + 10);
    std::printf(
        "50 x 40 texts: %lld calls cell by cell (%.1f per cell), %lld in bulk (%.3f per cell)\n",
        static_cast<long long>(perCell.calls), perCell.calls / 2000.0,
        static_cast<long long>(bulk.calls), bulk.calls / 2000.0);

    const auto sample = std::filesystem::path(TABROVA_SAMPLES_DIR) / "parts-list.xlsx";
    const auto book = XlsxWorkbook::open(sample);
    const CellRange saved = book->sheets()[book->activeSheet()].selection;
    Served parts(sample, book->activeSheet(), saved);
    const Read partsCell = parts.read(false), partsBulk = parts.read(true);
    const double cells = static_cast<double>(partsCell.table.cells.size());
    std::printf("sample parts list (%zu cells): %.1f calls per cell cell by cell, %.2f in bulk\n",
                partsCell.table.cells.size(), partsCell.calls / cells, partsBulk.calls / cells);
}

// XML from the application that is broken, hostile or enormous: the read goes over to the
// cell-by-cell read and gives the same table, or reads the XML as it is; in a bounded time.
TEST(BulkRead, HostileXmlFallsBackToTheCellByCellRead) {
    testing::TempDir dir;
    const auto path = testing::buildXlsx(dir / "hostile.xlsx", [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "S");
        lxw_format* boxed = workbook_add_format(wb);
        format_set_border(boxed, LXW_BORDER_THIN);
        for (lxw_row_t r = 0; r < 6; ++r)
            for (lxw_col_t c = 0; c < 5; ++c)
                worksheet_write_string(ws, r, c, ("t" + std::to_string(r * 5 + c)).c_str(), boxed);
        worksheet_merge_range(ws, 3, 1, 4, 2, "merged", boxed);
    });
    const CellRange range{2, 2, 5, 4};
    auto afterTable = [](const std::u16string& piece) {
        return [piece](const std::u16string& xml) -> Variant {
            std::u16string out = xml;
            const std::size_t at = out.find(u"<Table");
            const std::size_t end = at == std::u16string::npos ? at : out.find(u'>', at);
            if (end != std::u16string::npos) out.insert(end + 1, piece);
            return out;
        };
    };
    auto replaced = [](std::u16string from, std::u16string to) {
        return [from, to](const std::u16string& xml) -> Variant {
            std::u16string out = xml;
            const std::size_t at = out.find(from);
            if (at != std::u16string::npos) out.replace(at, from.size(), to);
            return out;
        };
    };
    std::u16string deep;
    for (int i = 0; i < 200'000; ++i) deep += u"<a>";
    const struct {
        const char* name;
        tabrova::testing::XmlRewrite rewrite;
        bool fallsBack;
    } cases[] = {
        {"truncated",
         [](const std::u16string& xml) -> Variant { return xml.substr(0, xml.size() / 2); }, true},
        {"empty", [](const std::u16string&) -> Variant { return std::u16string(); }, true},
        {"not XML", [](const std::u16string&) -> Variant { return std::u16string(u"#N/A"); }, true},
        {"not text", [](const std::u16string&) -> Variant { return automation::Empty{}; }, true},
        {"enormous text",
         [](const std::u16string&) -> Variant { return std::u16string(10 << 20, u'x'); }, true},
        {"enormous comment", afterTable(u"<!--" + std::u16string(5 << 20, u'c') + u"-->"), false},
        {"a DTD",
         replaced(u"<Workbook",
                  u"<!DOCTYPE W [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><Workbook"),
         true},
        {"deep nesting", afterTable(deep), true},
        {"index past the edge", afterTable(u"<Row><Cell ss:Index=\"16385\"/></Row>"), true},
        {"merge past the edge",
         afterTable(u"<Row ss:Index=\"1048576\"><Cell ss:MergeDown=\"5\"/></Row>"), true},
        {"span past the edge", afterTable(u"<Column ss:Span=\"1000000000\"/>"), true},
        {"number not finite",
         afterTable(u"<Row><Cell><Data ss:Type=\"Number\">1e999</Data></Cell></Row>"), true},
        {"style without its parent",
         replaced(u"<Styles>", u"<Styles><Style ss:ID=\"x\" ss:Parent=\"none\"/>"), true},
        {"declared Shift_JIS",
         replaced(u"<?xml version=\"1.0\"?>", u"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>"),
         true},
    };
    Served plain(path, 0, range);
    const Read expected = plain.read(false);
    ASSERT_EQ(expected.status, SelectionReadStatus::complete);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Served served(path, 0, range, c.rewrite);
        const auto start = std::chrono::steady_clock::now();
        const Read bulk = served.read(true);
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
        ASSERT_EQ(bulk.status, SelectionReadStatus::complete);
        EXPECT_EQ(!bulk.fallback.empty(), c.fallsBack) << utf16ToUtf8(bulk.fallback);
        EXPECT_EQ(bulk.fallback.find(u'\n'), std::u16string::npos);
        ASSERT_EQ(bulk.table.cells.size(), expected.table.cells.size());
        for (std::int32_t r = 0; r < expected.table.rowCount; ++r)
            for (std::int32_t col = 0; col < expected.table.colCount; ++col)
                EXPECT_EQ(firstDifference(bulk.table.at(col, r), expected.table.at(col, r)), "")
                    << "cell " << col << ", " << r;
    }
}

}  // namespace
}  // namespace tabrova::workbook
