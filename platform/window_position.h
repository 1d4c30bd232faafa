// Where a window goes when it is centred over another: the arithmetic of
// ui/win32/window_placement.h, apart so unit tests reach it.
#pragma once

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
// kept on the desktop: pulled back left and up when it would stick out on
// the right or at the bottom, never left of or above 0.
inline ScreenPoint CentredPosition(const ScreenRect& reference, int width, int height,
                                   const ScreenRect& desktop) {
    ScreenPoint at;
    at.x = reference.left + ((reference.right - reference.left) - width) / 2;
    at.y = reference.top + ((reference.bottom - reference.top) - height) / 2;
    if (at.x + width > desktop.right)
        at.x = desktop.right - width;
    if (at.y + height > desktop.bottom)
        at.y = desktop.bottom - height;
    if (at.x < 0)
        at.x = 0;
    if (at.y < 0)
        at.y = 0;
    return at;
}

}  // namespace orvane
