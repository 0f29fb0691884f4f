#include "settings/WindowPlacement.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tabrova {
namespace {

// 64-bit arithmetic throughout: the saved numbers come from a file and may be anything an int
// holds.
std::int64_t overlapArea(const ScreenRect& a, const ScreenRect& b) {
    const std::int64_t w = std::min<std::int64_t>(a.right(), b.right()) - std::max(a.x, b.x);
    const std::int64_t h = std::min<std::int64_t>(a.bottom(), b.bottom()) - std::max(a.y, b.y);
    return w > 0 && h > 0 ? w * h : 0;
}

// Squared distance between the rectangles (0 when they touch or overlap).
std::int64_t gapSquared(const ScreenRect& a, const ScreenRect& b) {
    auto gap = [](std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
        return std::max<std::int64_t>({0, lo2 - hi1, lo1 - hi2});
    };
    const std::int64_t dx = gap(a.x, a.right(), b.x, b.right());
    const std::int64_t dy = gap(a.y, a.bottom(), b.y, b.bottom());
    return dx * dx + dy * dy;
}

bool contains(const ScreenRect& outer, const ScreenRect& inner) {
    return inner.x >= outer.x && inner.y >= outer.y && inner.right() <= outer.right() &&
           inner.bottom() <= outer.bottom();
}

// Moves [start, start + length) into [lo, hi) by the least distance; a length longer than the
// range starts at lo.
std::int64_t clampStart(std::int64_t start, std::int64_t length, std::int64_t lo, std::int64_t hi) {
    return std::max(lo, std::min(start, hi - length));
}

}  // namespace

std::optional<ScreenRect> placeWindow(const ScreenRect& saved,
                                      const std::vector<ScreenRect>& screens,
                                      const FrameMargins& frame, int minimumWidth,
                                      int minimumHeight) {
    if (screens.empty() || saved.width <= 0 || saved.height <= 0) return std::nullopt;
    // The frame's rectangle, in 64 bits: a saved x near INT_MAX plus the width would overflow.
    const std::int64_t frameX = std::int64_t{saved.x} - frame.left;
    const std::int64_t frameY = std::int64_t{saved.y} - frame.top;
    const std::int64_t frameW = std::int64_t{saved.width} + frame.left + frame.right;
    const std::int64_t frameH = std::int64_t{saved.height} + frame.top + frame.bottom;
    constexpr std::int64_t kIntMax = std::numeric_limits<int>::max();
    constexpr std::int64_t kIntMin = std::numeric_limits<int>::min();
    const bool representable = frameX >= kIntMin && frameY >= kIntMin && frameW <= kIntMax &&
                               frameH <= kIntMax && frameX + frameW <= kIntMax &&
                               frameY + frameH <= kIntMax;
    const ScreenRect outer = representable
                                 ? ScreenRect{static_cast<int>(frameX), static_cast<int>(frameY),
                                              static_cast<int>(frameW), static_cast<int>(frameH)}
                                 : ScreenRect{};

    if (representable) {
        for (const ScreenRect& screen : screens) {
            if (contains(screen, outer)) return saved;
        }
    }

    // The screen the window is mostly on, else the nearest one, else the primary one.
    const ScreenRect* target = &screens.front();
    if (representable) {
        std::int64_t bestArea = 0;
        for (const ScreenRect& screen : screens) {
            const std::int64_t area = overlapArea(screen, outer);
            if (area > bestArea) {
                bestArea = area;
                target = &screen;
            }
        }
        if (bestArea == 0) {
            std::int64_t bestGap = std::numeric_limits<std::int64_t>::max();
            for (const ScreenRect& screen : screens) {
                const std::int64_t gap = gapSquared(screen, outer);
                if (gap < bestGap) {
                    bestGap = gap;
                    target = &screen;
                }
            }
        }
    }

    const std::int64_t marginsW = std::int64_t{frame.left} + frame.right;
    const std::int64_t marginsH = std::int64_t{frame.top} + frame.bottom;
    const std::int64_t width = std::max<std::int64_t>(
        minimumWidth, std::min<std::int64_t>(saved.width, target->width - marginsW));
    const std::int64_t height = std::max<std::int64_t>(
        minimumHeight, std::min<std::int64_t>(saved.height, target->height - marginsH));
    const std::int64_t x =
        clampStart(frameX, width + marginsW, target->x, target->right()) + frame.left;
    const std::int64_t y =
        clampStart(frameY, height + marginsH, target->y, target->bottom()) + frame.top;
    return ScreenRect{static_cast<int>(x), static_cast<int>(y), static_cast<int>(width),
                      static_cast<int>(height)};
}

}  // namespace tabrova
