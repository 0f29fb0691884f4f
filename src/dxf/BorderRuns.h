// The border lines of the drawing as runs: a run lies on one line (cross: the x of a vertical
// one, the y of a horizontal one) and runs from `from` to `to` along it; vertical runs go
// downward, horizontal ones rightward. The cells' border edges are collected as runs and joined
// into the lines the file holds; 24 bytes a run, which matters for tables of many thousand cells.
#pragma once

#include <cstdint>
#include <vector>

#include "table/CellTable.h"

namespace tabrova {

struct BorderRun {
    double cross = 0;
    double from = 0;
    double to = 0;
};

struct BorderRuns {
    std::vector<BorderRun> runs;
    std::vector<std::uint8_t> marks;  // per run: absorbed into another one, not written

    void add(double cross, double from, double to) {
        runs.push_back({cross, from, to});
        marks.push_back(0);
    }
};

// The vertical or the horizontal border edges of every cell that carries a border of the sheet
// (and lies on its merged region's outline, for a merged cell), in row-major cell order and in
// each cell top, bottom, left, right. Empty for an unusable table.
BorderRuns collectBorderRuns(const CellTable& table, bool vertical);

// Joins collinear runs that continue one another and marks the absorbed ones and duplicates:
//   chaining:   when the end of run i touches the start of a later run j, i takes j's end and j
//               is marked; i goes on with its new end, so later pieces of the same line join it;
//   duplicates: then, when a later j runs between the same two points as i (either way round),
//               j is marked.
// Marked runs take no part. The result is that of comparing every run with every later one, in
// list order, but found through sorted indexes, so that long lists of runs that join nothing
// stay cheap. The vertical and the horizontal runs are joined independently.
void joinBorderRuns(BorderRuns& runs, bool vertical);

}  // namespace tabrova
