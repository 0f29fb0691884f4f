// Border segments in the compact form the drawing collects them in: a segment lies on one line
// (cross: the x of a vertical one, the y of a horizontal one) and runs from `from` to `to` along
// it. Half the size of TXlsxKeisen lists, which matters for tables of many thousand cells.
#pragma once

#include <cstdint>
#include <vector>

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

// The same joins and marks as joinKeisen on the segments the runs stand for, for the vertical
// or the horizontal ones (the two are joined independently).
void joinBorderRuns(BorderRuns& runs, bool vertical);

}  // namespace tabrova
