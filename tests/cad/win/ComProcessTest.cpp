// The selection reader and the CAD link talking to a test server in another process, so that every
// call is marshalled across a process boundary: remembered member identifiers, and a busy server
// whose calls the message filter retries.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "cad/BlockInsertion.h"
#include "cad/FakeCad.h"
#include "cad/MessageFilter.h"
#include "cad/win/ServerProcess.h"
#include "table/SelectionReader.h"

namespace tabrova {
namespace {

using testing::ServerProcess;
using testing::ServerReport;
using testing::underWine;

class ComProcess : public ::testing::Test {
protected:
    void SetUp() override { automation::initializeAutomation(); }
};

TEST_F(ComProcess, ReaderRemembersMemberIdsAcrossProcesses) {
    ServerProcess server(L"sheet", L"Tabrova.TestSheetProcess",
                         L"{5E0B7C3A-2F41-4D8E-9A61-3C7D2B8E4F20}", 0);
    ASSERT_EQ(server.failure(), "");

    // The scales do not matter here: the texts and font sizes are checked.
    const SelectionReadSettings settings =
        selectionReadSettings(WorkingSettings{}, u"Tabrova.TestSheetProcess", u'.');
    CellTable table;
    GridContents grid;
    // Twice: the second read asks no names at all.
    for (int read = 0; read < 2; ++read) {
        const SelectionReadResult result = readSelection(settings, table, grid);
        ASSERT_EQ(result.status, SelectionReadStatus::complete);
    }
    EXPECT_EQ(grid.caption, u"部品表.xlsx [一覧]");
    ASSERT_EQ(table.cells.size(), 9u);
    EXPECT_EQ(table.cells[0].str, u"部品表　（第２版）");
    EXPECT_TRUE(table.cells[0].cellMerge);
    EXPECT_EQ(table.cells[3].str, u"ﾎﾞﾙﾄ M8");
    EXPECT_EQ(table.cells[4].str, u"12.50");
    EXPECT_EQ(table.cells[5].str, u"#DIV/0!");
    EXPECT_EQ(table.cells[7].str, u"8");
    EXPECT_EQ(table.cells[7].txtSize, 9);
    EXPECT_EQ(table.cells[8].str, u"在庫なし");

    const ServerReport report = server.finish();
    EXPECT_EQ(server.exitCode, 0);
    // Without remembered identifiers every call by name is two round trips (GetIDsOfNames, then
    // Invoke). With them the names are asked once each, on the first read.
    const long withCache = report.getIdsOfNames + report.invokes;
    const long withoutCache = 2 * report.invokes;
    std::cout << "round trips for two reads of 3x3 cells: " << withCache << " (GetIDsOfNames "
              << report.getIdsOfNames << ", Invoke " << report.invokes << "); by name every time "
              << withoutCache << "\n";
    EXPECT_GT(report.invokes, 100);
    EXPECT_LT(report.getIdsOfNames, 40);
    EXPECT_LE(withCache * 100, withoutCache * 55);
}

TEST_F(ComProcess, BusyCadIsRetriedUntilItTakesTheCall) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / u"tabrova-com-別プロセス";
    std::filesystem::create_directories(dir);
    const std::filesystem::path dxf = dir / u"表.dxf";
    std::ofstream(dxf) << "0\nEOF\n";

    // Busy at first: takes no calls for a while, then answers "retry later" to the first ones.
    constexpr long refuse = 3;
    constexpr long busyMs = 1500;
    ServerProcess server(L"cad", L"Tabrova.TestAutoCADProcess",
                         L"{5E0B7C3A-2F41-4D8E-9A61-3C7D2B8E4F21}", refuse, busyMs);
    ASSERT_EQ(server.failure(), "");
    const auto filter = cad::TMessageFilter::Create();
    ASSERT_TRUE(filter->RegisterFilter());

    cad::fake::Trace trace;
    cad::fake::FakeWindow window(trace);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(cad::handOffToCad(dxf, u"Tabrova.TestAutoCADProcess", window));
    const auto elapsed = std::chrono::steady_clock::now() - start;
    filter->RevokeFilter();

    const ServerReport report = server.finish();
    EXPECT_EQ(server.exitCode, 0);
    EXPECT_EQ(report.commandCount, 1);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(report.lastCommand)),
              cad::insertCommandLine(u"Tabrova.TestAutoCADProcess", dxf));
    EXPECT_TRUE(report.exploded);
    EXPECT_TRUE(report.deleted);
    EXPECT_EQ(report.blockCount, 1);
    EXPECT_EQ(report.refusedCalls, refuse);
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), busyMs - 100);
    std::filesystem::remove_all(dir);

    if (underWine()) {
        GTEST_SKIP() << "Wine runs a call its server answers SERVERCALL_RETRYLATER instead of "
                        "rejecting it, so the client's retry is not exercised here";
    }
    // Each refused call was offered again after the filter's interval.
    EXPECT_GE(report.incomingCalls, refuse + report.invokes);
    EXPECT_GE(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(),
              busyMs + refuse * cad::kRetryIntervalMs - 100);
}

}  // namespace
}  // namespace tabrova
