#include "table/CellGeometry.h"

#include <algorithm>
#include <cstdint>

namespace tabrova {
namespace {

// The part of a merged area that lies inside the table, seen from its anchor (the first cell of
// the area that the row-major walk meets).
struct Region {
    std::int32_t cols = 1;
    std::int32_t rows = 1;
};

bool sameArea(const TXlsxCellAttr& anchor, const TXlsxCellAttr& cell) {
    return cell.cellMerge && cell.mergeLeft == anchor.mergeLeft && cell.mergeTop == anchor.mergeTop;
}

// The area's counts describe the whole merged area of the sheet, which the selection may cut:
// they can reach past the table's edge, or (when the cut is at the top or left) over plain cells
// or other areas next to the part inside the table. The region therefore takes only cells of the
// same area, clipped to the table, and stays a rectangle.
Region regionAt(const CellTable& table, std::int32_t c, std::int32_t r) {
    const TXlsxCellAttr& anchor = table.at(c, r);
    const std::int32_t maxCols = std::min<std::int32_t>(
        std::max<std::int32_t>(anchor.mergecolXscount, 1), table.colCount - c);
    const std::int32_t maxRows = std::min<std::int32_t>(
        std::max<std::int32_t>(anchor.mergerowYscount, 1), table.rowCount - r);
    Region region;
    while (region.cols < maxCols && sameArea(anchor, table.at(c + region.cols, r))) ++region.cols;
    while (region.rows < maxRows) {
        const std::int32_t y = r + region.rows;
        bool whole = true;
        for (std::int32_t k = 0; k < region.cols && whole; ++k) {
            whole = sameArea(anchor, table.at(c + k, y));
        }
        if (!whole) break;
        ++region.rows;
    }
    return region;
}

}  // namespace

void calcCellDrawSizes(CellTable& table, double cadXsc, double cadYsc, double cadTsc) {
    if (!table.usable()) return;
    for (std::int32_t r = 0; r < table.rowCount; ++r) {
        for (std::int32_t c = 0; c < table.colCount; ++c) {
            TXlsxCellAttr& p = table.at(c, r);
            if (p.mark || !p.cellMerge) {
                p.drawMH = 0;
                p.drawMW = 0;
            } else {
                const Region region = regionAt(table, c, r);
                const std::int32_t nX = region.cols;
                const std::int32_t nY = region.rows;
                p.mergeBits = edgeTop | edgeLeft;
                if (nX == 1) p.mergeBits |= edgeRight;
                if (nY == 1) p.mergeBits |= edgeBottom;

                std::int64_t w = p.colW;
                for (std::int32_t k = 1; k < nX; ++k) {
                    TXlsxCellAttr& q = table.at(c + k, r);
                    w += q.colW;
                    q.mark = true;
                    q.mergeBits = edgeTop;
                    if (nY == 1) q.mergeBits |= edgeBottom;
                    if (k == nX - 1) q.mergeBits |= edgeRight;
                }
                p.mergeW = static_cast<std::uint16_t>(w);
                p.drawMW = static_cast<double>(w) * cadXsc;

                std::int64_t h = p.rowH;
                for (std::int32_t k = 1; k < nY; ++k) {
                    TXlsxCellAttr& q = table.at(c, r + k);
                    h += q.rowH;
                    q.mark = true;
                    q.mergeBits = edgeLeft;
                    if (k == nY - 1) q.mergeBits |= edgeBottom;
                    if (nX == 1) q.mergeBits |= edgeRight;
                    for (std::int32_t l = 1; l < nX; ++l) {
                        TXlsxCellAttr& s = table.at(c + l, r + k);
                        s.mark = true;
                        s.mergeBits = l == nX - 1 ? edgeRight : 0;
                        if (k == nY - 1) s.mergeBits |= edgeBottom;
                    }
                }
                p.mergeH = static_cast<std::uint16_t>(h);
                p.drawMH = static_cast<double>(h) * cadYsc;
            }
            p.drawW = p.colW * cadXsc;
            p.drawH = p.rowH * cadYsc;
            p.drawTH = p.txtSize * cadTsc;
        }
    }
}

void recalcMergeDrawSizes(CellTable& table) {
    if (!table.usable()) return;
    for (std::int32_t r = 0; r < table.rowCount; ++r) {
        for (std::int32_t c = 0; c < table.colCount; ++c) {
            TXlsxCellAttr& p = table.at(c, r);
            if (p.mark || !p.cellMerge) {
                p.drawMH = 0;
                p.drawMW = 0;
                continue;
            }
            const Region region = regionAt(table, c, r);
            double w = p.drawW;
            for (std::int32_t k = 1; k < region.cols; ++k) {
                TXlsxCellAttr& q = table.at(c + k, r);
                w += q.drawW;
                q.mark = true;
            }
            p.drawMW = w;
            double h = p.drawH;
            for (std::int32_t k = 1; k < region.rows; ++k) h += table.at(c, r + k).drawH;
            p.drawMH = h;
        }
    }
}

}  // namespace tabrova
