#include "ui/win32/dialog_support.h"

#include "ui/win32/ui_state.h"

namespace orvane {

HWND OpenDialogFromTemplate(int template_id, HWND parent, DLGPROC procedure) {
    HINSTANCE instance = Ui().instance;
    HRSRC found =
        FindResourceA(instance, MAKEINTRESOURCEA(template_id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (found == nullptr)
        return nullptr;
    HGLOBAL loaded = LoadResource(instance, found);
    if (loaded == nullptr)
        return nullptr;
    auto* dialog_template = static_cast<LPCDLGTEMPLATEA>(LockResource(loaded));
    if (dialog_template == nullptr)
        return nullptr;
    HWND dialog = CreateDialogIndirectParamA(instance, dialog_template, parent, procedure, 0);
    FreeResource(loaded);
    return dialog;
}

void CentreWindow(HWND window, HWND reference) {
    if (reference == nullptr)
        reference = GetDesktopWindow();
    RECT ref, rect;
    GetWindowRect(reference, &ref);
    GetWindowRect(window, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    int x = ref.left + (ref.right - ref.left) / 2 - width / 2;
    int y = ref.top + (ref.bottom - ref.top) / 2 - height / 2;
    const int screen_width = GetSystemMetrics(SM_CXSCREEN);
    const int screen_height = GetSystemMetrics(SM_CYSCREEN);
    if (x + width > screen_width)
        x = screen_width - width;
    if (y + height > screen_height)
        y = screen_height - height;
    if (x < 0)
        x = 0;
    if (y < 0)
        y = 0;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace orvane
