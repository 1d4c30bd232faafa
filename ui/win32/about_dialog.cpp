#include "ui/win32/about_dialog.h"

#include <shellapi.h>

#include <string>

#include "logging/fatal_error.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_placement.h"
#include "ui/clock_layout.h"
#include "ui/resource_ids.h"
#include "ui/win32/dialog_support.h"
#include "ui/win32/ui_state.h"
#include "platform/win32/window_dpi.h"

namespace orvane {

namespace {

constexpr UINT_PTR kAboutTimerId = 1;
constexpr UINT kAboutTimerPeriodMs = 10000;

struct AboutState {
    HWND link_window = nullptr;
    // Loaded at the first opening and kept; its size is the one for 96 DPI.
    HBITMAP logo = nullptr;
    SIZE logo_size = {0, 0};
};

AboutState& About() {
    static AboutState* state =
        new AboutState;  // never destroyed: other threads may still ask at exit
    return *state;
}

std::wstring LinkWindowClassName() {
    return Widen(std::string(kProgramName) + " About Link Window Class");
}

// The logo's place: the dialog's logo control's top-left corner in the
// dialog, its size the bitmap's at the dialog's scale.
RECT LogoRect(HWND dialog) {
    RECT rect = {0, 0, 0, 0};
    HWND logo = GetDlgItem(dialog, IDC_ABOUT_LOGO);
    if (logo == nullptr)
        return rect;
    GetWindowRect(logo, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    if (About().logo == nullptr)
        return rect;  // the control shows what it has; the link still covers it
    const int dpi = WindowDpi(dialog);
    rect.right = rect.left + ScaleToDpi(About().logo_size.cx, dpi);
    rect.bottom = rect.top + ScaleToDpi(About().logo_size.cy, dpi);
    return rect;
}

void PlaceLinkWindow(HWND link) {
    const RECT rect = LogoRect(GetParent(link));
    SetWindowPos(link, HWND_TOP, rect.left, rect.top, rect.right - rect.left,
                 rect.bottom - rect.top, SWP_NOACTIVATE);
    InvalidateRect(link, nullptr, TRUE);
}

// The one logo bitmap stretched to the window with smoothing (HALFTONE),
// so it is as large to the eye at every scale and not blocky.
LRESULT OnLinkPaint(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    const AboutState& about = About();
    RECT client;
    GetClientRect(window, &client);
    DrawBitmapSmoothly(dc, client.right, client.bottom, about.logo, about.logo_size.cx,
                       about.logo_size.cy);
    EndPaint(window, &paint);
    return 0;
}

LRESULT CALLBACK LinkWindowProc(HWND window, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_CREATE:
            About().link_window = window;
            return 0;
        case WM_PAINT:
            return OnLinkPaint(window);
        case kDpiChangedAfterParent:
            PlaceLinkWindow(window);
            return 0;
        case WM_LBUTTONDOWN:
            // The shell's answer is not looked at: nothing to tell the user.
            ShellExecuteW(Ui().clock_window.load(), L"open", Widen(kMakerWebAddress).c_str(),
                          nullptr, L"c:\\", SW_SHOWMAXIMIZED);
            return 0;
        default:
            return DefWindowProcW(window, msg, wparam, lparam);
    }
}

void LoadLogo() {
    AboutState& about = About();
    if (about.logo != nullptr)
        return;
    about.logo = static_cast<HBITMAP>(LoadImageW(Ui().instance, MAKEINTRESOURCEW(IDB_LOGO),
                                                 IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    BITMAP info = {};
    if (about.logo != nullptr && GetObjectW(about.logo, sizeof info, &info) != 0)
        about.logo_size = {info.bmWidth, info.bmHeight};
}

void CreateLinkWindow(HWND dialog) {
    HCURSOR hand = LoadCursorW(Ui().instance, MAKEINTRESOURCEW(IDC_HAND_CURSOR));
    if (hand == nullptr || dialog == nullptr)
        return;
    HWND logo = GetDlgItem(dialog, IDC_ABOUT_LOGO);
    if (logo == nullptr)
        return;
    LoadLogo();

    const std::wstring class_name = LinkWindowClassName();
    WNDCLASSW wc = {};
    wc.lpfnWndProc = LinkWindowProc;
    wc.hInstance = Ui().instance;
    wc.hCursor = hand;
    wc.lpszClassName = class_name.c_str();
    RegisterClassW(&wc);  // already registered on a second opening: fine

    HWND link =
        CreateWindowExW(0, class_name.c_str(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, dialog,
                        reinterpret_cast<HMENU>(INT_PTR{IDC_ABOUT_LINK}), Ui().instance, nullptr);
    if (link == nullptr)
        ReportFatalErrorWithCode("Unable to create link window");
    // The link window draws the logo at the dialog's scale in the control's
    // place; the control's own drawing, at 96 DPI size, would show beside it.
    if (About().logo != nullptr)
        ShowWindow(logo, SW_HIDE);
    // Above the logo, so it gets the clicks and sets the cursor.
    PlaceLinkWindow(link);
}

INT_PTR OnAboutInit(HWND dialog) {
    // On the work area of the clock's monitor (the dialog's owner).
    CentreWindow(dialog, nullptr);
    Ui().about_dialog.store(dialog);
    SetDlgItemTextUtf8(dialog, IDC_ABOUT_VERSION,
                       std::string(kProgramName) + " Version " + Ui().version);
    SetWindowTextUtf8(dialog, std::string("About ") + kProgramName);
    SetTimer(dialog, kAboutTimerId, kAboutTimerPeriodMs, nullptr);
    CreateLinkWindow(dialog);
    return TRUE;
}

INT_PTR OnAboutTimer(HWND dialog) {
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
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
    return OpenDialogFromTemplate(IDD_ABOUT, owner, AboutDialogProc) != nullptr;
}

}  // namespace orvane
