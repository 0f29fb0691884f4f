// Joining of border segments.
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
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>

#include "dxf/TableDrawing.h"

namespace tabrova {
namespace {

using Index = std::int32_t;
constexpr Index kNone = -1;

// Start points of the unmarked segments of a list, as distinct x values, each with its distinct
// y values, each with the list positions of the segments starting there (ascending). Positions
// can be removed (when their segment gets marked).
class StartIndex {
public:
    explicit StartIndex(const std::vector<TXlsxKeisen>& list) : slotOf_(list.size(), kNone) {
        struct Start {
            double x, y;
            Index id;
        };
        std::vector<Start> starts;
        starts.reserve(list.size());
        for (std::size_t i = 0; i < list.size(); ++i) {
            const TAcadPoint& p = list[i].stpt;
            // A segment with a coordinate that is not finite touches nothing.
            if (!list[i].mark && std::isfinite(p.x) && std::isfinite(p.y)) {
                starts.push_back({p.x, p.y, static_cast<Index>(i)});
            }
        }
        std::sort(starts.begin(), starts.end(), [](const Start& a, const Start& b) {
            if (a.x != b.x) return a.x < b.x;
            if (a.y != b.y) return a.y < b.y;
            return a.id < b.id;
        });
        ids_.reserve(starts.size());
        next_.resize(starts.size() + 1);
        std::iota(next_.begin(), next_.end(), Index{0});
        for (std::size_t s = 0; s < starts.size(); ++s) {
            const Start& p = starts[s];
            ids_.push_back(p.id);
            slotOf_[static_cast<std::size_t>(p.id)] = static_cast<Index>(s);
            const bool newX = s == 0 || p.x != starts[s - 1].x;
            if (newX) {
                xs_.push_back(p.x);
                xFirstGroup_.push_back(static_cast<Index>(ys_.size()));
            }
            if (newX || p.y != starts[s - 1].y) {
                ys_.push_back(p.y);
                groupFirstSlot_.push_back(static_cast<Index>(s));
            }
        }
        xFirstGroup_.push_back(static_cast<Index>(ys_.size()));
        groupFirstSlot_.push_back(static_cast<Index>(ids_.size()));
    }

    // Makes present exactly the indexed segments that are not marked now.
    void resetPresence(const std::vector<TXlsxKeisen>& list) {
        for (std::size_t s = 0; s < ids_.size(); ++s) {
            const auto id = static_cast<std::size_t>(ids_[s]);
            const bool present = !list[id].mark;
            next_[s] = static_cast<Index>(present ? s : s + 1);
            slotOf_[id] = present ? static_cast<Index>(s) : kNone;
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

// Which coordinate a list's segments run along.
enum class Axis { vertical, horizontal };

double& along(TAcadPoint& p, Axis axis) { return axis == Axis::vertical ? p.y : p.x; }
double along(const TAcadPoint& p, Axis axis) { return axis == Axis::vertical ? p.y : p.x; }

void chain(std::vector<TXlsxKeisen>& list, Axis axis, StartIndex& starts) {
    const Index n = static_cast<Index>(list.size());
    for (Index i = 0; i + 1 < n; ++i) {
        TXlsxKeisen& seg = list[static_cast<std::size_t>(i)];
        if (seg.mark) continue;
        starts.remove(i);
        Index after = i;
        for (;;) {
            const Index j = starts.firstAfter(seg.edpt.x, seg.edpt.y, after);
            if (j == kNone) break;
            TXlsxKeisen& next = list[static_cast<std::size_t>(j)];
            along(seg.edpt, axis) = along(next.edpt, axis);
            next.mark = true;
            starts.remove(j);
            after = j;
        }
    }
}

void markDuplicates(std::vector<TXlsxKeisen>& list, Axis axis, StartIndex& starts) {
    starts.resetPresence(list);
    const Index n = static_cast<Index>(list.size());
    for (Index i = 0; i + 1 < n; ++i) {
        const TXlsxKeisen& seg = list[static_cast<std::size_t>(i)];
        if (seg.mark) continue;
        starts.remove(i);
        const double s = along(seg.stpt, axis);
        const double e = along(seg.edpt, axis);
        // The cross coordinate compared: the start's x for vertical segments, the end's y for
        // horizontal ones.
        const double cross = axis == Axis::vertical ? seg.stpt.x : seg.edpt.y;
        auto markIf = [&](double endAlong) {
            return [&list, &starts, axis, endAlong](Index j) {
                TXlsxKeisen& other = list[static_cast<std::size_t>(j)];
                if (nearlyEqual(endAlong, along(other.edpt, axis), kKeisenTolerance)) {
                    other.mark = true;
                    starts.remove(j);
                }
                return true;
            };
        };
        // The same way round: starts at i's start, ends at i's end; the other way round: starts
        // at i's end, ends at i's start.
        if (axis == Axis::vertical) {
            starts.forEachAfter(cross, s, i, markIf(e));
            starts.forEachAfter(cross, e, i, markIf(s));
        } else {
            starts.forEachAfter(s, cross, i, markIf(e));
            starts.forEachAfter(e, cross, i, markIf(s));
        }
    }
}

}  // namespace

void joinKeisen(std::vector<TXlsxKeisen>& keisenV, std::vector<TXlsxKeisen>& keisenH) {
    // Neither pass moves a start point, so one index serves both.
    if (keisenV.size() >= 2) {
        StartIndex starts(keisenV);
        chain(keisenV, Axis::vertical, starts);
        markDuplicates(keisenV, Axis::vertical, starts);
    }
    if (keisenH.size() >= 2) {
        StartIndex starts(keisenH);
        chain(keisenH, Axis::horizontal, starts);
        markDuplicates(keisenH, Axis::horizontal, starts);
    }
}

}  // namespace tabrova
