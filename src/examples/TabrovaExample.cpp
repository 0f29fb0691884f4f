// Draws a built-in Japanese parts list (a merged title, column headings, a merged remark, borders
// and the three alignments) to the DXF file named on the command line.
//   tabrova-example OUTPUT.dxf
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "dxf/TableDrawing.h"
#include "platform/AtomicFile.h"
#include "table/CellGeometry.h"

namespace {

using tabrova::CellTable;
using tabrova::TXlsxCellAttr;

constexpr double kCadXsc = 3;
constexpr double kCadYsc = 0.43;
constexpr double kCadTsc = 0.27;
constexpr double kCadTof = 0.8;

struct Example {
    CellTable table;
    std::vector<std::u16string> texts;  // row by row
};

// Marks the cells of a merged area; positions are made up from the cell's place, as the sheet
// would report them.
void merge(CellTable& t, std::int32_t c0, std::int32_t r0, std::int32_t nx, std::int32_t ny) {
    for (std::int32_t r = r0; r < r0 + ny; ++r) {
        for (std::int32_t c = c0; c < c0 + nx; ++c) {
            TXlsxCellAttr& cell = t.at(c, r);
            cell.cellMerge = true;
            cell.mergecolXscount = static_cast<std::uint16_t>(nx);
            cell.mergerowYscount = static_cast<std::uint16_t>(ny);
            cell.mergeLeft = static_cast<std::uint16_t>(100 * c0);
            cell.mergeTop = static_cast<std::uint16_t>(100 * r0);
        }
    }
}

Example makeExample() {
    const std::vector<std::uint16_t> widths = {6, 20, 16, 8, 6, 18};
    const std::vector<std::uint16_t> heights = {28, 30, 18, 18, 18, 18, 18, 18};
    const std::vector<std::vector<std::u16string>> rows = {
        {u"配管材料一覧表（第２工区）", u"", u"", u"", u"", u""},
        {u"番号", u"品名", u"呼び径\n(A)", u"数量", u"単位", u"備考"},
        {u"1", u"鋼管 SGP 白", u"50", u"24", u"本", u"溶接接合"},
        {u"2", u"エルボ 90°", u"50", u"12", u"個", u""},
        {u"3", u"チーズ（同径）", u"40", u"6", u"個", u"ねじ込み"},
        {u"4", u"仕切弁 JIS 10K", u"50", u"3", u"台", u"フランジ形\n（支給品）"},
        {u"5", u"フランジ SS400", u"50", u"6", u"枚", u""},
        {u"", u"合計", u"", u"51", u"", u"※数量は概算"},
    };
    Example ex;
    CellTable& t = ex.table;
    t.colCount = static_cast<std::int32_t>(widths.size());
    t.rowCount = static_cast<std::int32_t>(heights.size());
    t.cells.resize(widths.size() * heights.size());
    for (std::int32_t r = 0; r < t.rowCount; ++r) {
        for (std::int32_t c = 0; c < t.colCount; ++c) {
            TXlsxCellAttr& cell = t.at(c, r);
            const std::u16string& text =
                rows[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
            cell.colW = widths[static_cast<std::size_t>(c)];
            cell.rowH = heights[static_cast<std::size_t>(r)];
            cell.txtSize = r == 0 ? 16 : 11;
            cell.str = text;
            cell.lineBits =
                tabrova::edgeTop | tabrova::edgeBottom | tabrova::edgeLeft | tabrova::edgeRight;
            cell.mergecolXscount = cell.mergerowYscount = 1;
            cell.mergeLeft = static_cast<std::uint16_t>(100 * c);
            cell.mergeTop = static_cast<std::uint16_t>(100 * r);
            // Headings centred, numbers right, names and remarks left.
            if (r <= 1) {
                cell.txtAlign = tabrova::alignCenter;
            } else if (c == 0 || c == 2 || c == 3) {
                cell.txtAlign = tabrova::alignRight;
            } else if (c == 4) {
                cell.txtAlign = tabrova::alignCenter;
            } else {
                cell.txtAlign = tabrova::alignLeft;
            }
            ex.texts.push_back(text);
        }
    }
    // The title stands above the table with a border only below it.
    for (std::int32_t c = 0; c < t.colCount; ++c) t.at(c, 0).lineBits = tabrova::edgeBottom;
    merge(t, 0, 0, 6, 1);  // title
    merge(t, 5, 2, 1, 2);  // one remark for two rows
    ex.texts[2 * 6 + 5] = u"溶接接合\n（現場加工）";
    ex.texts[3 * 6 + 5] = u"";
    tabrova::calcCellDrawSizes(t, kCadXsc, kCadYsc, kCadTsc);
    return ex;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.dxf\n", argc > 0 ? argv[0] : "tabrova-example");
        return 2;
    }
    const Example ex = makeExample();
    const auto text = [&ex](std::int32_t c, std::int32_t r) {
        return ex.texts[static_cast<std::size_t>(c + r * ex.table.colCount)];
    };
    try {
        if (!tabrova::writeTableDxf({ex.table, text, kCadTof, true}, argv[1])) {
            std::fprintf(stderr, "the example table is empty\n");
            return 1;
        }
    } catch (const tabrova::platform::FileError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
