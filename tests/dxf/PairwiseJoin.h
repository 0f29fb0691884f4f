// The join of border segments by comparing every pair, in list order: the reference that
// joinKeisen must reproduce exactly (used by the tests and the benchmarks).
#pragma once

#include <cstddef>
#include <vector>

#include "dxf/TableDrawing.h"

namespace tabrova::testing {

inline void pairwiseJoinKeisen(std::vector<TXlsxKeisen>& keisenV,
                               std::vector<TXlsxKeisen>& keisenH) {
    auto near = [](double a, double b) { return nearlyEqual(a, b, 0.000001); };
    if (keisenV.size() >= 2) {
        auto& v = keisenV;
        const std::size_t n = v.size();
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (v[i].mark) continue;
            for (std::size_t j = i + 1; j < n; ++j) {
                if (v[j].mark) continue;
                if (near(v[i].edpt.x, v[j].stpt.x) && near(v[i].edpt.y, v[j].stpt.y)) {
                    v[i].edpt.y = v[j].edpt.y;
                    v[j].mark = true;
                }
            }
        }
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (v[i].mark) continue;
            for (std::size_t j = i + 1; j < n; ++j) {
                if (v[j].mark) continue;
                if (near(v[i].stpt.x, v[j].stpt.x) &&
                    ((near(v[i].stpt.y, v[j].stpt.y) && near(v[i].edpt.y, v[j].edpt.y)) ||
                     (near(v[i].edpt.y, v[j].stpt.y) && near(v[i].stpt.y, v[j].edpt.y)))) {
                    v[j].mark = true;
                }
            }
        }
    }
    if (keisenH.size() >= 2) {
        auto& h = keisenH;
        const std::size_t n = h.size();
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (h[i].mark) continue;
            for (std::size_t j = i + 1; j < n; ++j) {
                if (h[j].mark) continue;
                if (near(h[i].edpt.y, h[j].stpt.y) && near(h[i].edpt.x, h[j].stpt.x)) {
                    h[i].edpt.x = h[j].edpt.x;
                    h[j].mark = true;
                }
            }
        }
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (h[i].mark) continue;
            for (std::size_t j = i + 1; j < n; ++j) {
                if (h[j].mark) continue;
                if (near(h[i].edpt.y, h[j].stpt.y) &&
                    ((near(h[i].stpt.x, h[j].stpt.x) && near(h[i].edpt.x, h[j].edpt.x)) ||
                     (near(h[i].edpt.x, h[j].stpt.x) && near(h[i].stpt.x, h[j].edpt.x)))) {
                    h[j].mark = true;
                }
            }
        }
    }
}

}  // namespace tabrova::testing
