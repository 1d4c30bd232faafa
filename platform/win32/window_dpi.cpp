#include "platform/win32/window_dpi.h"

#include "platform/win32/system_library.h"

namespace orvane {

namespace {

using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction FindGetDpiForWindow() {
    return reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(LoadedModuleFunction(L"user32.dll", "GetDpiForWindow")));
}

// The DPI of the window's device context; of the screen for a null window.
int DeviceContextDpi(HWND window) {
    HDC dc = GetDC(window);
    if (dc == nullptr)
        return 96;
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(window, dc);
    return dpi > 0 ? dpi : 96;
}

}  // namespace

int WindowDpi(HWND window) {
    static const GetDpiForWindowFunction get_dpi_for_window = FindGetDpiForWindow();
    if (get_dpi_for_window != nullptr) {
        const UINT dpi = get_dpi_for_window(window);
        if (dpi != 0)  // 0: not a window
            return static_cast<int>(dpi);
    }
    return DeviceContextDpi(window);
}

int SystemDpi() {
    return DeviceContextDpi(nullptr);
}

bool DrawBitmapSmoothly(HDC dc, int to_width, int to_height, HBITMAP bitmap, int width,
                        int height) {
    HDC source = bitmap != nullptr ? CreateCompatibleDC(dc) : nullptr;
    if (source == nullptr)
        return false;
    HGDIOBJ previous = SelectObject(source, bitmap);
    // HALFTONE averages the source pixels; the brush origin must be set
    // after choosing it, as StretchBlt's documentation asks.
    SetStretchBltMode(dc, HALFTONE);
    SetBrushOrgEx(dc, 0, 0, nullptr);
    const bool drawn =
        StretchBlt(dc, 0, 0, to_width, to_height, source, 0, 0, width, height, SRCCOPY) != FALSE;
    SelectObject(source, previous);
    DeleteDC(source);
    return drawn;
}

}  // namespace orvane
