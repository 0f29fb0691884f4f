// Joining of border runs.
//
// The rule is that of a scan over all pairs (i, j), i < j, in list order, skipping marked
// segments:
//   chaining:   when the end of i touches the start of j, i takes j's end and j is marked; i keeps
//               scanning with its new end, so later pieces of the same line join it too;
//   duplicates: when j runs between the same two points as i (either way round), j is marked.
// For a segment i the chaining scan is the same as repeatedly taking the first unmarked j after
// the last joined one whose start touches i's current end, and the duplicate scan the same as
// marking every unmarked j after i that matches it. Both are answered here from an index of the
// segments' start points, sorted by x, then y, then list position. "Touches" compares each
// coordinate with nearlyEqual; for a fixed a the values b with |a - b| <= tol form one run of a
// sorted array (a - b rounds monotonically), so binary searches find exactly the values the pair
// scan accepts.
#include "dxf/BorderRuns.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <unordered_map>

#include "dxf/TableDrawing.h"

namespace tabrova {
namespace {

using Index = std::int32_t;
constexpr Index kNone = -1;

// Which coordinate a list's segments run along.
enum class Axis { vertical, horizontal };

// A list of border runs as the join sees them.
class RunList {
public:
    RunList(BorderRuns& runs, Axis axis) : runs_(runs), axis_(axis) {}
    Axis axis() const { return axis_; }
    Index size() const { return static_cast<Index>(runs_.runs.size()); }
    bool marked(Index i) const { return runs_.marks[static_cast<std::size_t>(i)] != 0; }
    void mark(Index i) { runs_.marks[static_cast<std::size_t>(i)] = 1; }
    double startX(Index i) const { return vertical() ? at(i).cross : at(i).from; }
    double startY(Index i) const { return vertical() ? at(i).from : at(i).cross; }
    double endX(Index i) const { return vertical() ? at(i).cross : at(i).to; }
    double endY(Index i) const { return vertical() ? at(i).to : at(i).cross; }
    double startAlong(Index i) const { return at(i).from; }
    double endAlong(Index i) const { return at(i).to; }
    void setEndAlong(Index i, double v) { at(i).to = v; }
    double duplicateCross(Index i) const { return at(i).cross; }

private:
    bool vertical() const { return axis_ == Axis::vertical; }
    BorderRun& at(Index i) const { return runs_.runs[static_cast<std::size_t>(i)]; }

    BorderRuns& runs_;
    Axis axis_;
};

// Start points of the unmarked segments of a list, as distinct x values, each with its distinct
// y values, each with the list positions of the segments starting there (ascending). Positions
// can be removed (when their segment gets marked).
class StartIndex {
public:
    explicit StartIndex(const RunList& list)
        : slotOf_(static_cast<std::size_t>(list.size()), kNone) {
        // A segment with a coordinate that is not finite touches nothing.
        auto indexed = [&list](Index i) {
            return !list.marked(i) && std::isfinite(list.startX(i)) &&
                   std::isfinite(list.startY(i));
        };
        // The distinct x values first: a start point then sorts as (x's rank, y, position) in 16
        // bytes rather than 24, which counts while a large table's segments are held as well.
        // A table has few distinct x values and many segments at each: the ranks come from a
        // hash table, and the points are bucketed by rank (in list order) before each bucket is
        // sorted by y, which is much cheaper than sorting all of them at once.
        std::unordered_map<double, Index> rankOf;
        for (Index i = 0; i < list.size(); ++i)
            if (indexed(i)) rankOf.try_emplace(list.startX(i), 0);
        xs_.reserve(rankOf.size());
        for (const auto& entry : rankOf) xs_.push_back(entry.first);
        std::sort(xs_.begin(), xs_.end());
        for (std::size_t k = 0; k < xs_.size(); ++k) rankOf[xs_[k]] = static_cast<Index>(k);
        struct Start {
            double y;
            Index xRank;
            Index id;
        };
        std::vector<Index> bucketEnd(xs_.size() + 1, 0);
        std::size_t count = 0;
        for (Index i = 0; i < list.size(); ++i) {
            if (!indexed(i)) continue;
            ++bucketEnd[static_cast<std::size_t>(rankOf.find(list.startX(i))->second) + 1];
            ++count;
        }
        std::partial_sum(bucketEnd.begin(), bucketEnd.end(), bucketEnd.begin());
        std::vector<Start> starts(count);
        {
            std::vector<Index> fill(bucketEnd.begin(), bucketEnd.end() - 1);
            for (Index i = 0; i < list.size(); ++i) {
                if (!indexed(i)) continue;
                const Index rank = rankOf.find(list.startX(i))->second;
                starts[static_cast<std::size_t>(fill[static_cast<std::size_t>(rank)]++)] = {
                    list.startY(i), rank, i};
            }
        }
        std::unordered_map<double, Index>().swap(rankOf);
        for (std::size_t k = 0; k < xs_.size(); ++k) {
            std::sort(starts.begin() + bucketEnd[k], starts.begin() + bucketEnd[k + 1],
                      [](const Start& a, const Start& b) {
                          if (a.y != b.y) return a.y < b.y;
                          return a.id < b.id;
                      });
        }
        auto newX = [&](std::size_t s) { return s == 0 || starts[s].xRank != starts[s - 1].xRank; };
        auto newGroup = [&](std::size_t s) { return newX(s) || starts[s].y != starts[s - 1].y; };
        std::size_t groups = 0;
        for (std::size_t s = 0; s < starts.size(); ++s) groups += newGroup(s);
        ids_.reserve(starts.size());
        next_.resize(starts.size() + 1);
        std::iota(next_.begin(), next_.end(), Index{0});
        xFirstGroup_.reserve(xs_.size() + 1);
        ys_.reserve(groups);
        groupFirstSlot_.reserve(groups + 1);
        for (std::size_t s = 0; s < starts.size(); ++s) {
            const Start& p = starts[s];
            ids_.push_back(p.id);
            slotOf_[static_cast<std::size_t>(p.id)] = static_cast<Index>(s);
            if (newX(s)) xFirstGroup_.push_back(static_cast<Index>(ys_.size()));
            if (newGroup(s)) {
                ys_.push_back(p.y);
                groupFirstSlot_.push_back(static_cast<Index>(s));
            }
        }
        xFirstGroup_.push_back(static_cast<Index>(ys_.size()));
        groupFirstSlot_.push_back(static_cast<Index>(ids_.size()));
    }

    // Makes present exactly the indexed segments that are not marked now.
    void resetPresence(const RunList& list) {
        for (std::size_t s = 0; s < ids_.size(); ++s) {
            const bool present = !list.marked(ids_[s]);
            next_[s] = static_cast<Index>(present ? s : s + 1);
            slotOf_[static_cast<std::size_t>(ids_[s])] = present ? static_cast<Index>(s) : kNone;
        }
        next_[ids_.size()] = static_cast<Index>(ids_.size());
    }

    void remove(Index id) {
        const Index slot = slotOf_[static_cast<std::size_t>(id)];
        if (slot == kNone) return;
        next_[static_cast<std::size_t>(slot)] = slot + 1;
        slotOf_[static_cast<std::size_t>(id)] = kNone;
    }

    // Calls visit(id) for the present positions after `after` starting within tol of (x, y), in
    // ascending order within each start point; visit returns false to leave that start point.
    template <typename Visit>
    void forEachAfter(double x, double y, Index after, Visit visit) {
        if (!std::isfinite(x) || !std::isfinite(y)) return;
        const auto [xBegin, xEnd] = run(xs_, 0, static_cast<Index>(xs_.size()), x);
        for (Index xk = xBegin; xk < xEnd; ++xk) {
            const auto [gBegin, gEnd] = run(ys_, xFirstGroup_[static_cast<std::size_t>(xk)],
                                            xFirstGroup_[static_cast<std::size_t>(xk) + 1], y);
            for (Index g = gBegin; g < gEnd; ++g) {
                const Index end = groupFirstSlot_[static_cast<std::size_t>(g) + 1];
                const auto first = ids_.begin() + groupFirstSlot_[static_cast<std::size_t>(g)];
                Index slot = static_cast<Index>(std::upper_bound(first, ids_.begin() + end, after) -
                                                ids_.begin());
                for (slot = find(slot); slot < end; slot = find(slot + 1)) {
                    if (!visit(ids_[static_cast<std::size_t>(slot)])) break;
                }
            }
        }
    }

    // The first present position after `after` starting within tol of (x, y), or kNone.
    Index firstAfter(double x, double y, Index after) {
        Index best = kNone;
        forEachAfter(x, y, after, [&best](Index id) {
            if (best == kNone || id < best) best = id;
            return false;
        });
        return best;
    }

private:
    // The range [begin, end) of sorted values v[begin, end) with |a - v| <= tolerance.
    static std::pair<Index, Index> run(const std::vector<double>& v, Index begin, Index end,
                                       double a) {
        const auto first = v.begin() + begin;
        const auto last = v.begin() + end;
        const auto lo = std::partition_point(first, last, [a](double b) {
            return !(std::fabs(a - b) <= kKeisenTolerance) && b < a;
        });
        const auto hi = std::partition_point(
            lo, last, [a](double b) { return std::fabs(a - b) <= kKeisenTolerance; });
        return {static_cast<Index>(lo - v.begin()), static_cast<Index>(hi - v.begin())};
    }

    // The first present slot at or after slot.
    Index find(Index slot) {
        Index root = slot;
        while (next_[static_cast<std::size_t>(root)] != root)
            root = next_[static_cast<std::size_t>(root)];
        while (next_[static_cast<std::size_t>(slot)] != root) {
            const Index up = next_[static_cast<std::size_t>(slot)];
            next_[static_cast<std::size_t>(slot)] = root;
            slot = up;
        }
        return root;
    }

    std::vector<Index> ids_;             // positions sorted by start x, start y, position
    std::vector<Index> next_;            // per slot: itself when present, else a later slot
    std::vector<Index> slotOf_;          // per position: its slot, kNone when absent
    std::vector<double> xs_;             // distinct start x values, ascending
    std::vector<Index> xFirstGroup_;     // per x value: its first (x, y) group
    std::vector<double> ys_;             // per group: its start y
    std::vector<Index> groupFirstSlot_;  // per group: its first slot
};

void chain(RunList& list, StartIndex& starts) {
    const Index n = list.size();
    for (Index i = 0; i + 1 < n; ++i) {
        if (list.marked(i)) continue;
        starts.remove(i);
        Index after = i;
        for (;;) {
            const Index j = starts.firstAfter(list.endX(i), list.endY(i), after);
            if (j == kNone) break;
            list.setEndAlong(i, list.endAlong(j));
            list.mark(j);
            starts.remove(j);
            after = j;
        }
    }
}

void markDuplicates(RunList& list, StartIndex& starts) {
    starts.resetPresence(list);
    const Index n = list.size();
    for (Index i = 0; i + 1 < n; ++i) {
        if (list.marked(i)) continue;
        starts.remove(i);
        const double s = list.startAlong(i);
        const double e = list.endAlong(i);
        const double cross = list.duplicateCross(i);
        auto markIf = [&list, &starts](double endAlong) {
            return [&list, &starts, endAlong](Index j) {
                if (nearlyEqual(endAlong, list.endAlong(j), kKeisenTolerance)) {
                    list.mark(j);
                    starts.remove(j);
                }
                return true;
            };
        };
        // The same way round: starts at i's start, ends at i's end; the other way round: starts
        // at i's end, ends at i's start.
        if (list.axis() == Axis::vertical) {
            starts.forEachAfter(cross, s, i, markIf(e));
            starts.forEachAfter(cross, e, i, markIf(s));
        } else {
            starts.forEachAfter(s, cross, i, markIf(e));
            starts.forEachAfter(e, cross, i, markIf(s));
        }
    }
}

// Neither pass moves a start point, so one index serves both.
void join(RunList list) {
    if (list.size() < 2) return;
    StartIndex starts(list);
    chain(list, starts);
    markDuplicates(list, starts);
}

}  // namespace

void joinBorderRuns(BorderRuns& runs, bool vertical) {
    join(RunList(runs, vertical ? Axis::vertical : Axis::horizontal));
}

}  // namespace tabrova
