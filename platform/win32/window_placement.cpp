#include "platform/win32/window_placement.h"

namespace orvane {

namespace {

ScreenRect FromRect(const RECT& r) {
    return ScreenRect{r.left, r.top, r.right, r.bottom};
}

// The work area of the monitor the window is on (the nearest, when it is
// on none); the primary monitor's for no window.
ScreenRect WorkAreaOf(HWND window) {
    HMONITOR monitor = window != nullptr ? MonitorFromWindow(window, MONITOR_DEFAULTTONEAREST)
                                         : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (monitor != nullptr && GetMonitorInfoW(monitor, &info))
        return FromRect(info.rcWork);
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return FromRect(area);
}

BOOL CALLBACK AddWorkArea(HMONITOR monitor, HDC, LPRECT, LPARAM found) {
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info))
        reinterpret_cast<std::vector<ScreenRect>*>(found)->push_back(FromRect(info.rcWork));
    return TRUE;
}

}  // namespace

void CentreWindow(HWND window, HWND reference) {
    if (reference == nullptr)
        reference = GetWindow(window, GW_OWNER);
    RECT rect;
    GetWindowRect(window, &rect);
    const ScreenRect work_area = WorkAreaOf(reference);
    ScreenRect over = work_area;
    RECT ref;
    if (reference != nullptr && GetWindowRect(reference, &ref))
        over = FromRect(ref);
    const ScreenPoint at =
        CentredPosition(over, rect.right - rect.left, rect.bottom - rect.top, work_area);
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::vector<ScreenRect> MonitorWorkAreas() {
    std::vector<ScreenRect> found;
    EnumDisplayMonitors(nullptr, nullptr, AddWorkArea, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool MoveWithinReach(ScreenRect& rect) {
    const std::vector<ScreenRect> work_areas = MonitorWorkAreas();
    if (work_areas.empty() || IsReachable(rect, work_areas))
        return false;
    rect = ReachableWindowRect(rect, work_areas);
    return true;
}

}  // namespace orvane
