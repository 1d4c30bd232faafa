// The scale of the monitor a window is on, for drawing it at that scale.
#pragma once

#include <windows.h>

namespace orvane {

// The window's DPI (96 at 100 %): GetDpiForWindow, found at run time
// (Windows 10 1607 and later), tells a per-monitor aware program its
// monitor's DPI; elsewhere the DPI of the window's device context.
int WindowDpi(HWND window);

// The system DPI, at which system metrics and stock fonts come.
int SystemDpi();

// Draws the bitmap (width by height as made, for 96 DPI) stretched onto
// the given area of the device context with halftone smoothing, so that a
// scaled picture neither stays small nor turns blocky. False when it could
// not be drawn.
bool DrawBitmapSmoothly(HDC dc, int to_width, int to_height, HBITMAP bitmap, int width,
                        int height);

// WM_DPICHANGED_AFTERPARENT (Windows 10 1703 and later), which a child
// window gets after its top-level window took a new DPI; the headers give
// it only for newer targets than the program's.
constexpr UINT kDpiChangedAfterParent = 0x02E3;

}  // namespace orvane
