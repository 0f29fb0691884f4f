// Drawing sizes of the cells and the layout of merged regions.
#pragma once

#include "table/CellTable.h"

namespace tabrova {

// Recomputes every drawing size from the spreadsheet units and the three CAD scales, and lays out
// the merged regions (anchors, covered cells, edge masks, region sizes). Overwrites individual
// size edits. Does nothing when the table is empty.
void calcCellDrawSizes(CellTable& table, double cadXsc, double cadYsc, double cadTsc);

// Re-sums the region sizes of the anchors from the current per-cell drawing sizes, after
// individual column-width or row-height edits. Does nothing when the table is empty.
void recalcMergeDrawSizes(CellTable& table);

}  // namespace tabrova
