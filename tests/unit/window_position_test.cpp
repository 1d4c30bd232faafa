#include "platform/window_position.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

struct CentringCase {
    const char* what;
    ScreenRect reference;
    int width;
    int height;
    int x;
    int y;
};

TEST(CentredPositionTest, CentredOverTheReferenceAndKeptOnTheDesktop) {
    const ScreenRect desktop{0, 0, 1024, 768};
    const CentringCase cases[] = {
        {"over a window", {100, 100, 500, 400}, 200, 100, 200, 200},
        {"over the desktop, odd sizes", desktop, 301, 201, (1024 - 301) / 2, (768 - 201) / 2},
        {"pulled back at the right and bottom",
         {900, 700, 1100, 800},
         300,
         200,
         1024 - 300,
         768 - 200},
        {"never left of or above zero", {-200, -300, 0, 0}, 100, 100, 0, 0},
        // Larger than the desktop: the left and top edges stay visible.
        {"larger than the desktop", desktop, 2000, 1000, 0, 0},
    };
    for (const CentringCase& c : cases) {
        const ScreenPoint at = CentredPosition(c.reference, c.width, c.height, desktop);
        EXPECT_EQ(at.x, c.x) << c.what;
        EXPECT_EQ(at.y, c.y) << c.what;
    }
}

struct ReachCase {
    const char* what;
    ScreenRect window;
    ScreenRect placed;  // where it ends up: the window itself when reachable
};

TEST(ReachableWindowRectTest, MovesTheLeastDistanceThatLeaves32By16OnAWorkArea) {
    // A primary monitor with a taskbar at the bottom, a second one to its
    // left, higher up.
    const std::vector<ScreenRect> areas{{0, 0, 1920, 1040}, {-1280, -200, 0, 824}};
    const ReachCase cases[] = {
        {"wholly on the primary", {100, 100, 300, 180}, {100, 100, 300, 180}},
        {"32 by 16 left at the primary's right edge", {1888, 1024, 2088, 1104},
         {1888, 1024, 2088, 1104}},
        {"31 pixels left at the right edge", {1889, 500, 2089, 580}, {1888, 500, 2088, 580}},
        {"only 15 rows above the taskbar", {500, 1025, 700, 1105}, {500, 1024, 700, 1104}},
        {"a sliver on each of two monitors is not enough", {-20, 1030, 180, 1110},
         {-20, 1024, 180, 1104}},
        {"on a monitor that is gone, far right", {4000, 300, 4200, 380}, {1888, 300, 2088, 380}},
        {"gone, nearer the second monitor", {-3000, -900, -2800, -820}, {-1448, -264, -1248, -184}},
        {"smaller than 32 by 16 must lie wholly on it", {1900, 10, 1920 + 5, 20},
         {1895, 10, 1920, 20}},
        {"below the second monitor, on the primary", {-100, 830, 50, 1100}, {-100, 830, 50, 1100}},
    };
    for (const ReachCase& c : cases) {
        const ScreenRect placed = ReachableWindowRect(c.window, areas);
        EXPECT_EQ(placed.left, c.placed.left) << c.what;
        EXPECT_EQ(placed.top, c.placed.top) << c.what;
        EXPECT_EQ(placed.right, c.placed.right) << c.what;
        EXPECT_EQ(placed.bottom, c.placed.bottom) << c.what;
        EXPECT_TRUE(IsReachable(placed, areas)) << c.what;
    }
    EXPECT_EQ(ReachableWindowRect({5000, 0, 5100, 50}, {}).left, 5000) << "no work area";
}

}  // namespace
}  // namespace orvane
