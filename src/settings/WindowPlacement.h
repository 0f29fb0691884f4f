// Where the main window comes back at start-up: the geometry it had when it was last closed,
// brought onto the screens there are now.
//
// A saved position can lie off every screen (a monitor was removed, or the resolution lowered
// since), and a saved size can exceed what a screen offers; a window restored there could not be
// reached or would hide its title bar. placeWindow() keeps the saved geometry where it fits and
// otherwise moves and shrinks it onto one screen, as the system itself does for a window whose
// monitor is gone.
#pragma once

#include <optional>
#include <vector>

namespace tabrova {

// A rectangle in the desktop's coordinates (pixels), x to the right and y downward.
struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    int right() const { return x + width; }    // first column past the rectangle
    int bottom() const { return y + height; }  // first row past the rectangle
    bool operator==(const ScreenRect&) const = default;
};

// What the window's frame (title bar and borders) adds around its client area.
struct FrameMargins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The client geometry to restore for `saved`, the window's last normal (not maximised) client
// geometry. `screens` are the available areas (without task bars) of the current screens, the
// primary one first; `minimum` the smallest client size the window can take.
//
// A saved geometry whose frame lies wholly on one screen is kept. Otherwise the window goes to the
// screen its frame overlaps most, or, overlapping none, to the nearest one; it is shrunk to fit
// that screen (never below `minimum`) and moved the least distance that puts it inside, the title
// bar first when the screen is too small for all of it. nullopt without a screen, or for a saved
// geometry with no area: the window then takes its design size and place.
std::optional<ScreenRect> placeWindow(const ScreenRect& saved,
                                      const std::vector<ScreenRect>& screens,
                                      const FrameMargins& frame, int minimumWidth,
                                      int minimumHeight);

}  // namespace tabrova
