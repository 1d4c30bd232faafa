// Where a window goes: centred over another on a monitor's work area, and
// moved back within reach when it has slipped off every work area. The
// arithmetic of platform/win32/window_placement.h, apart so unit tests
// reach it.
#pragma once

#include <vector>

namespace orvane {

struct ScreenRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};
struct ScreenPoint {
    int x = 0;
    int y = 0;
};

// The top-left corner for a window of the size centred over the reference,
// kept on the work area: pulled back left and up when it would stick out on
// the right or at the bottom, never left of or above the work area.
ScreenPoint CentredPosition(const ScreenRect& reference, int width, int height,
                            const ScreenRect& work_area);

// How much of a window must lie on one work area for a user to reach it
// with the mouse: a window smaller than this must lie on it whole.
constexpr int kReachableWidth = 32;
constexpr int kReachableHeight = 16;

bool IsReachable(const ScreenRect& window, const std::vector<ScreenRect>& work_areas);

// The window, its size kept, moved the least distance that makes it
// reachable on one of the work areas; unchanged when it already is, or
// when there is no work area at all.
ScreenRect ReachableWindowRect(const ScreenRect& window, const std::vector<ScreenRect>& work_areas);

}  // namespace orvane
