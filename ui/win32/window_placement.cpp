#include "ui/win32/window_placement.h"

#include "platform/window_position.h"

namespace orvane {

void CentreWindow(HWND window, HWND reference) {
    HWND desktop_window = GetDesktopWindow();
    RECT ref, rect, desktop;
    GetWindowRect(reference != nullptr ? reference : desktop_window, &ref);
    GetWindowRect(window, &rect);
    GetWindowRect(desktop_window, &desktop);
    const ScreenPoint at = CentredPosition(
        {ref.left, ref.top, ref.right, ref.bottom}, rect.right - rect.left, rect.bottom - rect.top,
        {desktop.left, desktop.top, desktop.right, desktop.bottom});
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace orvane
