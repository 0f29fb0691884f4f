#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <ostream>
#include <vector>

#include "settings/WindowPlacement.h"

namespace tabrova {

// Found by GoogleTest through the argument's namespace.
void PrintTo(const ScreenRect& r, std::ostream* os) {
    *os << "{" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << "}";
}

namespace {

TEST(WindowPlacementTest, KeepsWhatFitsAndBringsTheRestOntoAScreen) {
    // Available areas: a 1920 x 1040 primary screen (task bar below), a 1280 x 984 screen to its
    // left, placed 100 pixels lower.
    const ScreenRect primary{0, 0, 1920, 1040};
    const ScreenRect left{-1280, 100, 1280, 984};
    const std::vector<ScreenRect> both{primary, left};
    const FrameMargins frame{8, 31, 8, 8};
    struct Case {
        const char* what;
        ScreenRect saved;
        std::vector<ScreenRect> screens;
        std::optional<ScreenRect> placed;
    };
    const Case cases[] = {
        {"on the primary screen", {100, 100, 800, 600}, both, ScreenRect{100, 100, 800, 600}},
        {"on the second screen", {-1000, 300, 800, 600}, both, ScreenRect{-1000, 300, 800, 600}},
        {"frame touching the edges", {8, 31, 1904, 1001}, both, ScreenRect{8, 31, 1904, 1001}},
        {"title bar above the top", {100, 10, 800, 600}, both, ScreenRect{100, 31, 800, 600}},
        {"off to the right", {1800, 500, 800, 600}, both, ScreenRect{1112, 432, 800, 600}},
        {"second screen removed", {-1000, 300, 800, 600}, {primary}, ScreenRect{8, 300, 800, 600}},
        {"far away on no screen", {50000, -40000, 800, 600}, both, ScreenRect{1112, 31, 800, 600}},
        {"nearest screen wins", {-2500, 400, 800, 600}, both, ScreenRect{-1272, 400, 800, 600}},
        {"mostly on the left screen", {-700, 200, 800, 600}, both, ScreenRect{-808, 200, 800, 600}},
        {"larger than the screen", {0, 0, 3000, 2000}, both, ScreenRect{8, 31, 1904, 1001}},
        {"larger than a small screen",
         {10, 10, 800, 600},
         {{0, 0, 640, 480}},
         ScreenRect{8, 31, 624, 441}},
        {"minimum larger than the screen",
         {10, 10, 500, 400},
         {{0, 0, 400, 300}},
         ScreenRect{8, 31, 450, 300}},
        {"no screen at all", {100, 100, 800, 600}, {}, std::nullopt},
        {"no area saved", {100, 100, 0, 600}, both, std::nullopt},
        {"numbers at the limits",
         {INT_MAX - 5, INT_MIN, INT_MAX, 600},
         both,
         ScreenRect{8, 31, 1904, 600}},
    };
    for (const Case& c : cases) {
        // The window's client area is at least 450 x 300.
        EXPECT_EQ(placeWindow(c.saved, c.screens, frame, 450, 300), c.placed) << c.what;
    }
}

}  // namespace
}  // namespace tabrova
