#include "platform/window_position.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace orvane {

namespace {

// The part of [low, high) of the window that must overlap [area_low,
// area_high): the reachable minimum, or the whole window when smaller.
int NeededOverlap(int window_length, int minimum) {
    return std::min(window_length, minimum);
}

int Overlap(int low, int high, int area_low, int area_high) {
    return std::max(0, std::min(high, area_high) - std::max(low, area_low));
}

// The smallest shift of [low, low + length) that makes it overlap the area
// by `needed`: zero when it already does. When the area is shorter than
// `needed`, the shift that lines the window up with the area's start.
int LeastShift(int low, int length, int area_low, int area_high, int needed) {
    needed = std::min(needed, area_high - area_low);
    if (Overlap(low, low + length, area_low, area_high) >= needed)
        return 0;
    // Sticking out before the area: its end must reach needed into it.
    if (low + length < area_low + needed)
        return area_low + needed - (low + length);
    // After it: its start must come back to needed before the area's end.
    return (area_high - needed) - low;
}

}  // namespace

ScreenPoint CentredPosition(const ScreenRect& reference, int width, int height,
                            const ScreenRect& work_area) {
    ScreenPoint at;
    at.x = reference.left + ((reference.right - reference.left) - width) / 2;
    at.y = reference.top + ((reference.bottom - reference.top) - height) / 2;
    if (at.x + width > work_area.right)
        at.x = work_area.right - width;
    if (at.y + height > work_area.bottom)
        at.y = work_area.bottom - height;
    if (at.x < work_area.left)
        at.x = work_area.left;
    if (at.y < work_area.top)
        at.y = work_area.top;
    return at;
}

bool IsReachable(const ScreenRect& window, const std::vector<ScreenRect>& work_areas) {
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    for (const ScreenRect& area : work_areas) {
        if (Overlap(window.left, window.right, area.left, area.right) >=
                NeededOverlap(width, kReachableWidth) &&
            Overlap(window.top, window.bottom, area.top, area.bottom) >=
                NeededOverlap(height, kReachableHeight))
            return true;
    }
    return false;
}

ScreenRect ReachableWindowRect(const ScreenRect& window, const std::vector<ScreenRect>& work_areas) {
    if (work_areas.empty() || IsReachable(window, work_areas))
        return window;
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;
    ScreenRect best = window;
    std::int64_t best_distance = std::numeric_limits<std::int64_t>::max();
    for (const ScreenRect& area : work_areas) {
        if (area.right <= area.left || area.bottom <= area.top)
            continue;
        const int dx = LeastShift(window.left, width, area.left, area.right,
                                  NeededOverlap(width, kReachableWidth));
        const int dy = LeastShift(window.top, height, area.top, area.bottom,
                                  NeededOverlap(height, kReachableHeight));
        const std::int64_t distance =
            static_cast<std::int64_t>(dx) * dx + static_cast<std::int64_t>(dy) * dy;
        if (distance < best_distance) {
            best_distance = distance;
            best = ScreenRect{window.left + dx, window.top + dy, window.right + dx,
                              window.bottom + dy};
        }
    }
    return best;
}

}  // namespace orvane
