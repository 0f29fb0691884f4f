// The drawing's file when saving fails: every fault names the file and the reason, leaves the
// previous drawing as it was, and the next save to a sound path works.
#include <gtest/gtest.h>

#include <string>

#include "dxf/TableDrawing.h"
#include "dxf/TempDir.h"
#include "platform/FileFaults.h"
#include "table/CellGeometry.h"

namespace tabrova {
namespace {

using testing::FileFault;
using testing::PreparedFileFault;

CellTable twoByTwo() {
    CellTable t;
    t.colCount = 2;
    t.rowCount = 2;
    t.cells.resize(4);
    for (TXlsxCellAttr& cell : t.cells) {
        cell.colW = 10;
        cell.rowH = 14;
        cell.txtSize = 11;
        cell.lineBits = 15;
    }
    calcCellDrawSizes(t, 3, 0.43, 0.27);
    return t;
}

class DxfFileFaultTest : public ::testing::TestWithParam<FileFault> {};

TEST_P(DxfFileFaultTest, NamesTheFileKeepsThePreviousOneAndGoesOn) {
    const testing::TempDir dir;
    const std::string previous =
        "  0\r\nSECTION\r\n" + std::string(200, 'p') + "\r\n  0\r\nEOF\r\n";
    PreparedFileFault fault(GetParam(), dir.path(), "table.dxf", previous);
    if (!fault.skipReason().empty()) GTEST_SKIP() << fault.skipReason();

    const CellTable table = twoByTwo();
    const CellTextFn text = [](std::int32_t col, std::int32_t row) {
        return u"表" + std::u16string(1, static_cast<char16_t>(u'A' + col + 2 * row));
    };
    try {
        writeTableDxf({table, text, 0.8, true}, fault.target());
        FAIL() << "expected FileError";
    } catch (const platform::FileError& e) {
        fault.expectReported(e);
    }
    fault.expectUntouched();

    fault.clearDiskFull();
    const auto sound = dir.path() / "sound.dxf";
    ASSERT_TRUE(writeTableDxf({table, text, 0.8, true}, sound));
    DxfLineList list;
    ASSERT_TRUE(buildTableDxf({table, text, 0.8, true}, list));
    EXPECT_EQ(platform::readWholeFile(sound), list.encoded());
}

INSTANTIATE_TEST_SUITE_P(Faults, DxfFileFaultTest, ::testing::ValuesIn(testing::kFileFaults),
                         [](const auto& info) { return testing::fileFaultName(info.param); });

}  // namespace
}  // namespace tabrova
