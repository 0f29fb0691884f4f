// The running spreadsheet read across a process boundary, cell by cell and in bulk, from the test
// server serving a workbook file: the same table both ways, the calls that reach the server and
// the time each read takes (printed; a benchmark, not a timed test). The table of texts is 12 x 10;
// with TABROVA_BENCH set it is the 50 x 40 of the benchmark, whose cell-by-cell read takes minutes
// under Wine.
#include <gtest/gtest.h>
#include <xlsxwriter.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <string_view>

#include "cad/win/ServerProcess.h"
#include "platform/Automation.h"
#include "table/ExcelCellSource.h"
#include "table/SelectionReader.h"
#include "workbook/ExcelBulkSource.h"
#include "workbook/TestWorkbooks.h"

namespace tabrova {
namespace {

struct ProcessRead {
    CellTable table;
    GridContents grid;
    SelectionReadStatus status = SelectionReadStatus::complete;
    long calls = 0;  // GetIDsOfNames and Invoke, as the server counted them
    double seconds = 0;
    std::u16string fallback;
};

// One read of the served selection in a server process of its own, so that its calls are counted
// alone.
ProcessRead readServed(const testing::ServedBook& book, bool bulk, const wchar_t* clsid,
                       const std::wstring& misbehaviour = L"") {
    const std::wstring progId = bulk ? L"Tabrova.TestBookBulk" : L"Tabrova.TestBookPerCell";
    testing::ServerProcess server(book, progId, clsid, 0, 0, misbehaviour);
    EXPECT_EQ(server.failure(), "");
    SelectionReadSettings settings;
    settings.progId = std::u16string(progId.begin(), progId.end());
    settings.colXsc = 20;
    settings.rowYsc = 3;
    settings.cadXsc = 3;
    settings.cadYsc = 0.43;
    settings.cadTsc = 0.27;
    settings.cellByCellOptions = {true, true, true, true};
    ProcessRead r;
    workbook::ExcelBulkSource bulkSource(settings.progId, u'.', settings.cellByCellOptions);
    ExcelCellSource cellSource(settings.progId, u'.', settings.cellByCellOptions);
    SelectionSource& source = bulk ? static_cast<SelectionSource&>(bulkSource) : cellSource;
    const auto start = std::chrono::steady_clock::now();
    r.status = readSelection(settings, source, r.table, r.grid).status;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.fallback = bulkSource.fallbackReason();
    const testing::ServerReport report = server.finish();
    r.calls = report.getIdsOfNames + report.invokes;
    return r;
}

void expectSameTables(const ProcessRead& a, const ProcessRead& b) {
    ASSERT_EQ(a.table.cells.size(), b.table.cells.size());
    for (std::size_t i = 0; i < a.table.cells.size(); ++i) {
        const TXlsxCellAttr &x = a.table.cells[i], &y = b.table.cells[i];
        EXPECT_TRUE(x.str == y.str && x.colW == y.colW && x.rowH == y.rowH &&
                    x.txtSize == y.txtSize && x.txtAlign == y.txtAlign &&
                    x.lineBits == y.lineBits && x.edgeStyles == y.edgeStyles &&
                    x.cellMerge == y.cellMerge && x.mergerowYscount == y.mergerowYscount &&
                    x.mergecolXscount == y.mergecolXscount && x.mergeLeft == y.mergeLeft &&
                    x.mergeTop == y.mergeTop && x.txtPlace == y.txtPlace &&
                    x.wrapText == y.wrapText && x.shrinkToFit == y.shrinkToFit)
            << "cell " << i;
    }
    EXPECT_EQ(a.grid.texts, b.grid.texts);
}

TEST(BulkReadProcess, ReadsTheSameTableInAFewCallsAcrossProcesses) {
    automation::initializeAutomation();
    workbook::testing::TempDir dir;
    const char* bench = std::getenv("TABROVA_BENCH");
    const bool full = bench != nullptr && *bench != '\0';
    const lxw_row_t rows = full ? 50 : 12;
    const lxw_col_t cols = full ? 40 : 10;
    const auto texts = workbook::testing::buildXlsx(dir / "texts.xlsx", [&](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "Parts");
        lxw_format* boxed = workbook_add_format(wb);
        format_set_border(boxed, LXW_BORDER_THIN);
        for (lxw_row_t r = 0; r < rows; ++r) {
            for (lxw_col_t c = 0; c < cols; ++c) {
                const std::string text = "品名" + std::to_string(r) + "-" + std::to_string(c);
                worksheet_write_string(ws, r, c, text.c_str(), boxed);
            }
            if (r % 5 == 0) worksheet_set_row(ws, r, 21, nullptr);
        }
        for (lxw_col_t c = 0; c < cols; c += 3) worksheet_set_column(ws, c, c, 14, nullptr);
    });
    const std::wstring textsRange = full ? L"A1:AN50" : L"A1:J12";
    const std::string textsName = std::to_string(rows) + " x " + std::to_string(cols) + " texts";
    const struct {
        testing::ServedBook book;
        std::string name;
    } cases[] = {
        {{texts, L"Parts", textsRange}, textsName},
        {{std::filesystem::path(TABROVA_SAMPLES_DIR) / "parts-list.xlsx", L"部品表", L"A1:H16"},
         "sample parts list"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const ProcessRead perCell =
            readServed(c.book, false, L"{8A3E51D2-6B0C-4F7A-B1D9-2E4C6A8B0F11}");
        const ProcessRead bulk =
            readServed(c.book, true, L"{8A3E51D2-6B0C-4F7A-B1D9-2E4C6A8B0F12}");
        ASSERT_EQ(perCell.status, SelectionReadStatus::complete);
        ASSERT_EQ(bulk.status, SelectionReadStatus::complete);
        EXPECT_TRUE(bulk.fallback.empty());
        expectSameTables(bulk, perCell);
        const std::int64_t lines = perCell.table.rowCount + perCell.table.colCount;
        if (c.name == textsName) {
            EXPECT_LE(bulk.calls, 2 * lines + 10);
        }
        const double cells = static_cast<double>(perCell.table.cells.size());
        std::printf(
            "%s (%zu cells) across processes: cell by cell %ld calls (%.1f per cell) in "
            "%.3f s; in bulk %ld calls (%.2f per cell) in %.3f s: %.0f times as fast\n",
            c.name.c_str(), perCell.table.cells.size(), perCell.calls, perCell.calls / cells,
            perCell.seconds, bulk.calls, bulk.calls / cells, bulk.seconds,
            perCell.seconds / bulk.seconds);
    }
}

}  // namespace
// A spreadsheet in another process that sends broken, enormous or no XML for Value(11): the read
// goes over to the cell-by-cell read and gives the same table; one that dies while it is read
// stops the read with the reason, and the program is not left waiting.
TEST(BulkReadProcess, MisbehavingSpreadsheetFallsBackOrStops) {
    automation::initializeAutomation();
    workbook::testing::TempDir dir;
    const auto book = workbook::testing::buildXlsx(dir / "book.xlsx", [](lxw_workbook* wb) {
        lxw_worksheet* ws = workbook_add_worksheet(wb, "S");
        lxw_format* boxed = workbook_add_format(wb);
        format_set_border(boxed, LXW_BORDER_THIN);
        for (lxw_row_t r = 0; r < 5; ++r)
            for (lxw_col_t c = 0; c < 4; ++c)
                worksheet_write_string(ws, r, c, ("t" + std::to_string(r * 4 + c)).c_str(), boxed);
        worksheet_merge_range(ws, 2, 1, 3, 2, "merged", boxed);
    });
    const ProcessRead expected =
        readServed({book, L"S", L"A1:D5"}, false, L"{8A3E51D2-6B0C-4F7A-B1D9-2E4C6A8B0F13}");
    ASSERT_EQ(expected.status, SelectionReadStatus::complete);
    for (const wchar_t* misbehaviour : {L"truncated", L"enormous", L"not-xml", L"dies"}) {
        SCOPED_TRACE(std::string(misbehaviour, misbehaviour + std::wcslen(misbehaviour)));
        const ProcessRead bulk = readServed(
            {book, L"S", L"A1:D5"}, true, L"{8A3E51D2-6B0C-4F7A-B1D9-2E4C6A8B0F14}", misbehaviour);
        EXPECT_LT(bulk.seconds, 30);
        EXPECT_FALSE(bulk.fallback.empty());
        if (std::wstring_view(misbehaviour) == L"dies") {
            EXPECT_EQ(bulk.status, SelectionReadStatus::stopped);
        } else {
            ASSERT_EQ(bulk.status, SelectionReadStatus::complete);
            expectSameTables(bulk, expected);
        }
    }
}

}  // namespace tabrova
