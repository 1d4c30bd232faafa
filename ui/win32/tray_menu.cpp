#include "ui/win32/tray_menu.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "dialup/dialup_module.h"
#include "engine/link_state.h"
#include "engine/update_scheduler.h"
#include "logging/error_window.h"
#include "logging/fatal_error.h"
#include "protocols/sntp_broadcast_listener.h"
#include "platform/fixed_text.h"
#include "platform/unicode_text.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "settings/settings_record.h"
#include "ui/resource_ids.h"
#include "ui/settings_applied.h"
#include "ui/win32/about_dialog.h"
#include "ui/win32/clock_window.h"
#include "ui/win32/configuration_dialog.h"
#include "ui/win32/help_viewer.h"
#include "ui/win32/shell_link.h"
#include "ui/win32/status_dialog.h"
#include "ui/win32/ui_state.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

constexpr UINT kNotifyIconId = 1;
bool icon_added = false;

NOTIFYICONDATAW IconRecord(HWND clock_window) {
    NOTIFYICONDATAW record = {};
    // The first version of the record (64-character tooltip).
    record.cbSize = NOTIFYICONDATAW_V1_SIZE;
    record.hWnd = clock_window;
    record.uID = kNotifyIconId;
    return record;
}

void TrackPopupMenuAtCursor(const POINT& at) {
    HWND clock = Ui().clock_window.load();
    TrackPopupMenu(Ui().popup, TPM_RIGHTALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, clock, nullptr);
    // Lets the menu close when the user clicks elsewhere after a tray click.
    PostMessageW(clock, WM_NULL, 0, 0);
}

// Out of the tray: clock shown, taskbar button back unless it is hidden.
void LeaveTray() {
    CheckMenuItem(Ui().popup, IDM_HIDE_IN_TRAY, MF_BYCOMMAND | MF_UNCHECKED);
    ShowWindow(Ui().clock_window.load(), SW_SHOW);
    UpdateSettings([](SettingsRecord& live) { live.hide_in_tray = 0; });
    if (CurrentSettings().hide_taskbar_button == 0)
        ShowTaskbarWindow(true);
}

void EnterTray() {
    CheckMenuItem(Ui().popup, IDM_HIDE_IN_TRAY, MF_BYCOMMAND | MF_CHECKED);
    ShowWindow(Ui().clock_window.load(), SW_HIDE);
    UpdateSettings([](SettingsRecord& live) { live.hide_in_tray = 1; });
    if (CurrentSettings().hide_taskbar_button == 0)
        ShowTaskbarWindow(false);
}

void ToggleAlwaysOnTop() {
    HWND clock = Ui().clock_window.load();
    if (CurrentSettings().always_on_top == 1) {
        CheckMenuItem(Ui().popup, IDM_ALWAYS_ON_TOP, MF_BYCOMMAND | MF_UNCHECKED);
        UpdateSettings([](SettingsRecord& live) { live.always_on_top = 0; });
        SetWindowPos(clock, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    } else {
        CheckMenuItem(Ui().popup, IDM_ALWAYS_ON_TOP, MF_BYCOMMAND | MF_CHECKED);
        UpdateSettings([](SettingsRecord& live) { live.always_on_top = 1; });
        SetWindowPos(clock, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

class Win32SettingsAppliedActions : public SettingsAppliedActions {
  public:
    void SetDialTexts(const char* user_name, const char* password,
                      const char* entry_name) override {
        DialupModule& dialup = TheDialupModule();
        dialup.SetDialUserName(user_name);
        dialup.SetDialPassword(password);
        dialup.SetDialEntryName(entry_name);
    }
    void WakeUpdateThread() override { orvane::WakeUpdateThread(); }
    void SetFontFaces(const char* time_face, const char* date_face) override {
        Ui().time_font.face = FieldText(time_face, kFontNameCapacity);
        Ui().date_font.face = FieldText(date_face, kFontNameCapacity);
    }
    void SetBroadcastListening(int on) override { orvane::SetBroadcastListening(on == 1 ? 1 : 0); }
    void ApplyWindowSettings() override { orvane::ApplyWindowSettings(); }
    // The shell's answers are not looked at: the setting stays as chosen.
    void CreateStartupShortcut() override { orvane::CreateStartupShortcut(FindStartupFolder()); }
    void DeleteStartupShortcut() override { orvane::DeleteStartupShortcut(FindStartupFolder()); }
    void RefreshLinkTextAndStatus() override { RequestStatusRefresh(RebuildLinkText()); }
};

using LoadIconMetricFunction = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, HICON*);
constexpr int kSmallIconMetric = 0;  // LIM_SMALL

// Common Controls 6 (which the manifest asks for) has LoadIconMetric; it is
// looked up, not imported, so an older one loaded in its place still lets
// the program start.
LoadIconMetricFunction FindLoadIconMetric() {
    return reinterpret_cast<LoadIconMetricFunction>(
        reinterpret_cast<void*>(LoadedModuleFunction(L"comctl32.dll", "LoadIconMetric")));
}

// The icon in the size the notification area shows at the current scale
// (16, 20, 24 or 32 pixels), picked from the icon's own sizes rather than
// one size stretched. The caller destroys it.
HICON LoadSmallIcon() {
    static const LoadIconMetricFunction load_icon_metric = FindLoadIconMetric();
    HICON icon = nullptr;
    if (load_icon_metric != nullptr &&
        SUCCEEDED(load_icon_metric(Ui().instance, MAKEINTRESOURCEW(IDI_ORVANE), kSmallIconMetric,
                                   &icon))) {
        return icon;
    }
    return static_cast<HICON>(LoadImageW(Ui().instance, MAKEINTRESOURCEW(IDI_ORVANE), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON),
                                         GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
}

// Adds the icon; when that fails, an icon the shell still has is updated
// instead. True when the shell has it afterwards.
bool PutNotificationIcon(HWND clock_window) {
    NOTIFYICONDATAW record = IconRecord(clock_window);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = kNotifyIconMessage;
    record.hIcon = LoadSmallIcon();
    if (record.hIcon == nullptr)
        ReportFatalErrorWithCode("Unable to load icon");
    const std::wstring tip = Widen(CutToUtf16Units(kProgramName, std::size(record.szTip) - 1));
    std::copy(tip.begin(), tip.end(), record.szTip);
    const bool there = Shell_NotifyIconW(NIM_ADD, &record) != FALSE ||
                       Shell_NotifyIconW(NIM_MODIFY, &record) != FALSE;
    DestroyIcon(record.hIcon);  // the shell keeps its own copy
    return there;
}

}  // namespace

void AddNotificationIcon(HWND clock_window) {
    icon_added = PutNotificationIcon(clock_window);
}

void RefreshNotificationIcon(HWND clock_window) {
    if (icon_added)
        icon_added = PutNotificationIcon(clock_window);
}

UINT TaskbarCreatedMessage() {
    static const UINT message = RegisterWindowMessageW(L"TaskbarCreated");
    return message;
}

void OnTaskbarCreated(HWND clock_window) {
    AddNotificationIcon(clock_window);
}

UINT ShowClockMessage() {
    static const UINT message = RegisterWindowMessageW(L"Orvane Show Clock");
    return message;
}

void ShowClockFromTray() {
    if (CurrentSettings().hide_in_tray == 1)
        LeaveTray();
    SetForegroundWindow(Ui().clock_window.load());
}

void RemoveNotificationIcon() {
    HWND clock = Ui().clock_window.load();
    if (!icon_added || clock == nullptr)
        return;
    NOTIFYICONDATAW record = IconRecord(clock);
    Shell_NotifyIconW(NIM_DELETE, &record);
    icon_added = false;
}

void OnNotificationIconMessage(WPARAM icon_id, LPARAM mouse_message) {
    HWND clock = Ui().clock_window.load();
    switch (static_cast<UINT>(mouse_message)) {
        case WM_LBUTTONDOWN:
            SetForegroundWindow(clock);
            break;
        case WM_LBUTTONDBLCLK:
            LeaveTray();
            break;
        case WM_RBUTTONDOWN: {
            if (icon_id != kNotifyIconId)
                break;
            POINT at;
            GetCursorPos(&at);
            SetForegroundWindow(clock);
            SetMenuDefaultItem(Ui().popup,
                               CurrentSettings().hide_in_tray == 1 ? IDM_HIDE_IN_TRAY : UINT(-1),
                               FALSE);
            TrackPopupMenuAtCursor(at);
            break;
        }
        default:
            break;
    }
}

void ShowPopupMenuFromClock() {
    POINT at;
    GetCursorPos(&at);
    SetForegroundWindow(Ui().clock_window.load());
    SetMenuDefaultItem(Ui().popup, IDM_SETTINGS, FALSE);
    TrackPopupMenuAtCursor(at);
}

void HandleCommand(int command) {
    HWND clock = Ui().clock_window.load();
    switch (command) {
        case IDM_EXIT:
            PostQuitMessage(0);
            break;
        case IDM_ABOUT:
            OpenAboutDialog(clock);
            break;
        case IDM_HELP:
            ShowHelp(clock, Ui().help_path.c_str(), HELP_CONTENTS, 0);
            break;
        case IDM_ALWAYS_ON_TOP:
            ToggleAlwaysOnTop();
            break;
        case IDM_SETTINGS:
            OpenConfigurationDialog(clock);
            break;
        case IDM_HIDE_IN_TRAY:
            if (CurrentSettings().hide_in_tray == 1) {
                LeaveTray();
            } else {
                EnterTray();
            }
            break;
        case IDM_SYNCHRONISE:
            RequestManualUpdate();
            break;
        case IDM_LAST_UPDATE:
            OpenStatusDialog();
            break;
        case IDM_OPEN_ERROR_WINDOW:
            ShowPendingErrorMessages();
            break;
        default:
            break;
    }
}

void HandleCharacter(char character) {
    switch (character) {
        case 'L':
        case 'l':
            HandleCommand(IDM_LAST_UPDATE);
            break;
        case 'Y':
        case 'y':
            HandleCommand(IDM_SYNCHRONISE);
            break;
        default:
            break;
    }
}

void RunSettingsAppliedHandler() {
    Win32SettingsAppliedActions actions;
    RunSettingsApplied(CurrentSettings(), Ui().snapshots, actions);
}

}  // namespace orvane
