#include "ui/win32/about_dialog.h"

#include <shellapi.h>

#include <string>

#include "logging/fatal_error.h"
#include "platform/win32/window_placement.h"
#include "ui/resource_ids.h"
#include "ui/win32/dialog_support.h"
#include "ui/win32/ui_state.h"

namespace orvane {

namespace {

constexpr UINT_PTR kAboutTimerId = 1;
constexpr UINT kAboutTimerPeriodMs = 10000;

struct AboutState {
    HWND link_window = nullptr;
    HWND centre_on = nullptr;
};

AboutState& About() {
    static AboutState* state =
        new AboutState;  // never destroyed: other threads may still ask at exit
    return *state;
}

std::string LinkWindowClassName() {
    return std::string(kProgramName) + " About Link Window Class";
}

LRESULT CALLBACK LinkWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            About().link_window = window;
            return 0;
        case WM_LBUTTONDOWN:
            // The shell's answer is not looked at: nothing to tell the user.
            ShellExecuteA(Ui().clock_window.load(), "open", kMakerWebAddress, nullptr, "c:\\",
                          SW_SHOWMAXIMIZED);
            return 0;
        default:
            return DefWindowProcA(window, msg, wparam, lparam);
    }
}

void CreateLinkWindow(HWND dialog) {
    HCURSOR hand = LoadCursorA(Ui().instance, MAKEINTRESOURCEA(IDC_HAND_CURSOR));
    if (hand == nullptr || dialog == nullptr)
        return;
    HWND logo = GetDlgItem(dialog, IDC_ABOUT_LOGO);
    if (logo == nullptr)
        return;

    const std::string class_name = LinkWindowClassName();
    WNDCLASSA wc = {};
    wc.lpfnWndProc = LinkWindowProc;
    wc.hInstance = Ui().instance;
    wc.hCursor = hand;
    wc.lpszClassName = class_name.c_str();
    RegisterClassA(&wc);  // already registered on a second opening: fine

    RECT logo_rect;
    GetWindowRect(logo, &logo_rect);
    POINT origin = {0, 0};
    ClientToScreen(dialog, &origin);
    HWND link =
        CreateWindowExA(0, class_name.c_str(), "", WS_CHILD | WS_VISIBLE, logo_rect.left - origin.x,
                        logo_rect.top - origin.y, logo_rect.right - logo_rect.left,
                        logo_rect.bottom - logo_rect.top, dialog, nullptr, Ui().instance, nullptr);
    if (link == nullptr)
        ReportFatalErrorWithCode("Unable to create link window");
    // Above the logo, so it gets the clicks and sets the cursor.
    SetWindowPos(link, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

INT_PTR OnAboutInit(HWND dialog) {
    CentreWindow(dialog, About().centre_on);
    Ui().about_dialog.store(dialog);
    const std::string version = std::string(kProgramName) + " Version " + Ui().version;
    SetDlgItemTextA(dialog, IDC_ABOUT_VERSION, version.c_str());
    const std::string caption = std::string("About ") + kProgramName;
    SendMessageA(dialog, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(caption.c_str()));
    SetTimer(dialog, kAboutTimerId, kAboutTimerPeriodMs, nullptr);
    CreateLinkWindow(dialog);
    return TRUE;
}

INT_PTR OnAboutTimer(HWND dialog) {
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    return TRUE;
}

INT_PTR OnAboutCommand(HWND dialog, WPARAM wparam) {
    switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
            if (About().link_window != nullptr) {
                DestroyWindow(About().link_window);
                About().link_window = nullptr;
            }
            KillTimer(dialog, kAboutTimerId);
            DestroyWindow(dialog);
            Ui().about_dialog.store(nullptr);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            return OnAboutInit(dialog);
        case WM_TIMER:
            return OnAboutTimer(dialog);
        case WM_COMMAND:
            return OnAboutCommand(dialog, wparam);
        case WM_DESTROY:
            // Also when the dialog goes with its parent at shutdown.
            Ui().about_dialog.store(nullptr);
            About().link_window = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

bool OpenAboutDialog(HWND owner) {
    HWND open = Ui().about_dialog.load();
    if (open != nullptr) {
        SetFocus(open);
        MessageBeep(MB_OK);
        return false;
    }
    About().centre_on = GetDesktopWindow();
    return OpenDialogFromTemplate(IDD_ABOUT, owner, AboutDialogProc) != nullptr;
}

}  // namespace orvane
