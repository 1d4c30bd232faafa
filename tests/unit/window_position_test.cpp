#include "platform/window_position.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace orvane
