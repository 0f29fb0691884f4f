// The join of border runs by comparing every pair, in list order: the reference that
// joinBorderRuns must reproduce exactly (used by the tests and the benchmarks).
#pragma once

#include <cstddef>

#include "dxf/BorderRuns.h"
#include "dxf/TableDrawing.h"

namespace tabrova::testing {

inline void pairwiseJoinBorderRuns(BorderRuns& runs) {
    auto near = [](double a, double b) { return nearlyEqual(a, b, 0.000001); };
    auto& r = runs.runs;
    auto& marked = runs.marks;
    const std::size_t n = r.size();
    if (n < 2) return;
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (marked[i]) continue;
        for (std::size_t j = i + 1; j < n; ++j) {
            if (marked[j]) continue;
            if (near(r[i].cross, r[j].cross) && near(r[i].to, r[j].from)) {
                r[i].to = r[j].to;
                marked[j] = 1;
            }
        }
    }
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (marked[i]) continue;
        for (std::size_t j = i + 1; j < n; ++j) {
            if (marked[j]) continue;
            if (near(r[i].cross, r[j].cross) &&
                ((near(r[i].from, r[j].from) && near(r[i].to, r[j].to)) ||
                 (near(r[i].to, r[j].from) && near(r[i].from, r[j].to)))) {
                marked[j] = 1;
            }
        }
    }
}

}  // namespace tabrova::testing
