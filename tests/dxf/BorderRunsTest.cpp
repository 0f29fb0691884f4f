#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "dxf/BorderRuns.h"
#include "dxf/PairwiseJoin.h"
#include "dxf/TableDrawing.h"
#include "table/CellGeometry.h"

namespace tabrova {
namespace {

// A border run as the two end points of its line, for comparing runs with drawn lines.
struct Segment {
    TAcadPoint stpt;
    TAcadPoint edpt;
    bool mark = false;
};
using Segments = std::vector<Segment>;

BorderRuns runsOf(const Segments& segments, bool vertical) {
    BorderRuns runs;
    for (const Segment& s : segments) {
        if (vertical) {
            runs.add(s.stpt.x, s.stpt.y, s.edpt.y);
        } else {
            runs.add(s.stpt.y, s.stpt.x, s.edpt.x);
        }
        runs.marks.back() = s.mark;
    }
    return runs;
}

Segments segmentsOf(const BorderRuns& runs, bool vertical) {
    Segments segments;
    for (std::size_t i = 0; i < runs.runs.size(); ++i) {
        const BorderRun& r = runs.runs[i];
        if (vertical) {
            segments.push_back({{r.cross, r.from, 0}, {r.cross, r.to, 0}, runs.marks[i] != 0});
        } else {
            segments.push_back({{r.from, r.cross, 0}, {r.to, r.cross, 0}, runs.marks[i] != 0});
        }
    }
    return segments;
}

// The product's join and the pairwise scan, on vertical and horizontal segments.
void fastJoin(Segments& v, Segments& h) {
    BorderRuns runsV = runsOf(v, true), runsH = runsOf(h, false);
    joinBorderRuns(runsV, true);
    joinBorderRuns(runsH, false);
    v = segmentsOf(runsV, true);
    h = segmentsOf(runsH, false);
}

void pairwiseJoin(Segments& v, Segments& h) {
    BorderRuns runsV = runsOf(v, true), runsH = runsOf(h, false);
    testing::pairwiseJoinBorderRuns(runsV);
    testing::pairwiseJoinBorderRuns(runsH);
    v = segmentsOf(runsV, true);
    h = segmentsOf(runsH, false);
}

bool same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || (a == b && std::signbit(a) == std::signbit(b));
}

bool same(const TAcadPoint& a, const TAcadPoint& b) {
    return same(a.x, b.x) && same(a.y, b.y) && same(a.z, b.z);
}

::testing::AssertionResult sameSegments(const Segments& fast, const Segments& reference) {
    if (fast.size() != reference.size()) return ::testing::AssertionFailure() << "sizes differ";
    for (std::size_t i = 0; i < fast.size(); ++i) {
        const Segment& a = fast[i];
        const Segment& b = reference[i];
        if (!same(a.stpt, b.stpt) || !same(a.edpt, b.edpt) || a.mark != b.mark) {
            return ::testing::AssertionFailure()
                   << "segment " << i << ": (" << a.stpt.x << ", " << a.stpt.y << ") - ("
                   << a.edpt.x << ", " << a.edpt.y << ") mark " << a.mark << " instead of ("
                   << b.stpt.x << ", " << b.stpt.y << ") - (" << b.edpt.x << ", " << b.edpt.y
                   << ") mark " << b.mark;
        }
    }
    return ::testing::AssertionSuccess();
}

struct JoinCounts {
    int marked = 0;
    int extended = 0;
};

JoinCounts counts(const Segments& before, const Segments& after) {
    JoinCounts c;
    for (std::size_t i = 0; i < before.size(); ++i) {
        c.marked += after[i].mark && !before[i].mark;
        c.extended += !same(after[i].edpt, before[i].edpt);
    }
    return c;
}

JoinCounts totals;

void expectSameJoin(Segments v, Segments h, const std::string& what) {
    Segments refV = v, refH = h;
    pairwiseJoin(refV, refH);
    for (const auto& c : {counts(v, refV), counts(h, refH)}) {
        totals.marked += c.marked;
        totals.extended += c.extended;
    }
    fastJoin(v, h);
    EXPECT_TRUE(sameSegments(v, refV)) << what << " (vertical)";
    EXPECT_TRUE(sameSegments(h, refH)) << what << " (horizontal)";
}

// Offsets that put coordinates within, exactly at and just beyond the tolerance of each other.
double jitter(std::mt19937& rng) {
    static const double kOffsets[] = {
        0,       0,       0,        0,      5e-7, -5e-7, 1e-6,         -1e-6,        9.9e-7,
        -9.9e-7, 1.01e-6, -1.01e-6, 1.5e-6, 2e-6, -2e-6, 1e-6 + 1e-12, -1e-6 - 1e-12};
    return kOffsets[std::uniform_int_distribution<std::size_t>(0, std::size(kOffsets) - 1)(rng)];
}

TEST(JoinBorderRuns, ChainsAndDuplicatesOfASmallTable) {
    // Two cells side by side, both with all four borders: the shared edge is reported twice.
    Segments v = {
        {{0, 0, 0}, {0, -5, 0}, false},          {{10, 0, 0}, {10, -5, 0}, false},
        {{10, 0, 0}, {10, -5, 0}, false},        {{20, 0, 0}, {20, -5, 0}, false},
        {{0, -5, 0}, {0, -9, 0}, false},         {{20, -5.0000005, 0}, {20, -9, 0}, false},
        {{10, -5.000002, 0}, {10, -9, 0}, false}};
    Segments h = {{{0, 0, 0}, {10, 0, 0}, false}, {{10, 0, 0}, {20, 0, 0}, false}};
    fastJoin(v, h);
    EXPECT_EQ(v[0].edpt.y, -9);
    EXPECT_TRUE(v[4].mark);
    EXPECT_EQ(v[3].edpt.y, -9);  // joined within the tolerance
    EXPECT_TRUE(v[5].mark);
    EXPECT_EQ(v[1].edpt.y, -5);  // 2e-6 apart: stays in two pieces
    EXPECT_FALSE(v[6].mark);
    EXPECT_TRUE(v[2].mark);  // duplicate of v[1]
    EXPECT_EQ(h[0].edpt.x, 20);
    EXPECT_TRUE(h[1].mark);
}

TEST(JoinBorderRuns, MatchesPairwiseScanOnRandomSegments) {
    totals = {};
    std::mt19937 rng(12345);
    const double bases[] = {0, 1, 2, 3, -1, 1000.25, 6.02, 12.04};
    auto coord = [&] {
        const double b = bases[std::uniform_int_distribution<std::size_t>(0, 7)(rng)];
        return b + jitter(rng);
    };
    for (int round = 0; round < 3000; ++round) {
        const int n = std::uniform_int_distribution<int>(0, 40)(rng);
        Segments v, h;
        for (int k = 0; k < n; ++k) {
            Segment s;
            s.stpt = {coord(), coord(), 0};
            s.edpt = {coord(), coord(), 0};
            const int kind = std::uniform_int_distribution<int>(0, 9)(rng);
            s.edpt.x = s.stpt.x;  // a run lies on one line
            if (kind == 8) s.mark = true;
            if (kind == 9 && round % 5 == 0) s.stpt.y = std::numeric_limits<double>::quiet_NaN();
            v.push_back(s);
            std::swap(s.stpt.x, s.stpt.y);
            std::swap(s.edpt.x, s.edpt.y);
            h.push_back(s);
        }
        expectSameJoin(v, h, "round " + std::to_string(round));
        if (HasFailure()) return;
    }
    EXPECT_GT(totals.marked, 2000);
    EXPECT_GT(totals.extended, 2000);
}

TEST(JoinBorderRuns, MatchesPairwiseScanOnRandomTables) {
    totals = {};
    std::mt19937 rng(777);
    for (int round = 0; round < 400; ++round) {
        const int cols = std::uniform_int_distribution<int>(1, 9)(rng);
        const int rows = std::uniform_int_distribution<int>(1, 9)(rng);
        CellTable t;
        t.colCount = cols;
        t.rowCount = rows;
        t.cells.resize(static_cast<std::size_t>(cols * rows));
        std::vector<std::uint16_t> widths(static_cast<std::size_t>(cols));
        std::vector<std::uint16_t> heights(static_cast<std::size_t>(rows));
        for (auto& w : widths)
            w = static_cast<std::uint16_t>(std::uniform_int_distribution<int>(1, 20)(rng));
        for (auto& hh : heights)
            hh = static_cast<std::uint16_t>(std::uniform_int_distribution<int>(1, 30)(rng));
        const int borderStyle = round % 4;
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                TXlsxCellAttr& cell = t.at(c, r);
                cell.colW = widths[static_cast<std::size_t>(c)];
                cell.rowH = heights[static_cast<std::size_t>(r)];
                cell.mergecolXscount = cell.mergerowYscount = 1;
                cell.mergeLeft = static_cast<std::uint16_t>(c);
                cell.mergeTop = static_cast<std::uint16_t>(r);
                if (borderStyle == 0)
                    cell.lineBits = 15;
                else if (borderStyle == 1)
                    cell.lineBits = r % 2 == 0 ? 15 : 0;
                else
                    cell.lineBits =
                        static_cast<std::uint8_t>(std::uniform_int_distribution<int>(0, 15)(rng));
            }
        }
        // A few merged areas.
        for (int m = std::uniform_int_distribution<int>(0, 3)(rng); m > 0; --m) {
            const int c0 = std::uniform_int_distribution<int>(0, cols - 1)(rng);
            const int r0 = std::uniform_int_distribution<int>(0, rows - 1)(rng);
            const int nx = std::uniform_int_distribution<int>(1, 3)(rng);
            const int ny = std::uniform_int_distribution<int>(1, 3)(rng);
            bool free = true;
            for (int r = r0; r < std::min(rows, r0 + ny); ++r)
                for (int c = c0; c < std::min(cols, c0 + nx); ++c)
                    free = free && !t.at(c, r).cellMerge;
            if (!free) continue;
            for (int r = r0; r < std::min(rows, r0 + ny); ++r) {
                for (int c = c0; c < std::min(cols, c0 + nx); ++c) {
                    TXlsxCellAttr& cell = t.at(c, r);
                    cell.cellMerge = true;
                    cell.mergecolXscount = static_cast<std::uint16_t>(nx);
                    cell.mergerowYscount = static_cast<std::uint16_t>(ny);
                    cell.mergeLeft = static_cast<std::uint16_t>(1000 + c0);
                    cell.mergeTop = static_cast<std::uint16_t>(1000 + r0);
                }
            }
        }
        calcCellDrawSizes(t, 2.37, 0.43, 0.27);
        Segments v = segmentsOf(collectBorderRuns(t, true), true);
        Segments h = segmentsOf(collectBorderRuns(t, false), false);
        expectSameJoin(v, h, "table round " + std::to_string(round));
        // The drawing joins its own compact copy of the segments: the same border lines.
        Segments refV = v, refH = h;
        pairwiseJoin(refV, refH);
        Segments expected;
        for (const auto* list : {&refV, &refH}) {
            for (const Segment& k : *list) {
                if (!k.mark) expected.push_back(k);
            }
        }
        Segments drawn;
        const auto entities = buildTableDrawing({t, {}, 0.8, false});
        for (const DrawnEntity& e : *entities) {
            const auto& line = std::get<DrawnLine>(e);
            EXPECT_EQ(line.layer, kLayerBordLine);
            drawn.push_back({line.start, line.end, false});
        }
        EXPECT_TRUE(sameSegments(drawn, expected)) << "drawing of table round " << round;
        // The same table with lines and end points moved within and just beyond the tolerance.
        for (auto* list : {&v, &h}) {
            const bool vertical = list == &v;
            for (Segment& s : *list) {
                s.stpt.x += jitter(rng);
                s.stpt.y += jitter(rng);
                s.edpt.x += jitter(rng);
                s.edpt.y += jitter(rng);
                // A run lies on one line.
                (vertical ? s.edpt.x : s.edpt.y) = vertical ? s.stpt.x : s.stpt.y;
            }
        }
        expectSameJoin(v, h, "jittered table round " + std::to_string(round));
        if (HasFailure()) return;
    }
    EXPECT_GT(totals.marked, 10000);
    EXPECT_GT(totals.extended, 4000);
}

TEST(NearlyEqual, InclusiveTolerance) {
    EXPECT_TRUE(nearlyEqual(1, 1, 0));
    EXPECT_TRUE(nearlyEqual(1, 1.5, 0.5));
    EXPECT_TRUE(nearlyEqual(-1.5, -1, 0.5));
    EXPECT_FALSE(nearlyEqual(1, 1.5000001, 0.5));
    EXPECT_FALSE(nearlyEqual(std::nan(""), std::nan(""), 1));
}

}  // namespace
}  // namespace tabrova
