#include "settings/win32/config_dialog.h"

#include <commctrl.h>
#include <winsock2.h>

#include <atomic>
#include <string>

#include "platform/file_system.h"
#include "settings/config_dialog_ids.h"
#include "settings/config_pages.h"
#include "settings/configuration_dump.h"
#include "platform/fixed_text.h"
#include "settings/live_settings.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_placement.h"
#include "settings/machine_write.h"
#include "settings/settings_store.h"
#include "settings/win32/config_dialog_internal.h"

namespace orvane {

namespace {

constexpr int kPageCount = 4;
constexpr int kServerTab = 0;
constexpr int kUserInterfaceTab = 2;

struct DialogState {
    std::atomic<HWND> frame{nullptr};
    bool reload = false;
    bool modal = false;
    SettingsRecord opened;  // as the dialog found it, to tell what OK changes
    // The untouched pages read back (their reading tidies some values, such
    // as a zero interval): what tells whether the user changed a machine
    // setting.
    SettingsRecord read_back;
    SettingsRecord working;
    PolicySettings policy;
    HWND tabs = nullptr;
    HWND pages[kPageCount] = {};
    HWND current = nullptr;
    HWND previous = nullptr;
    ConfigHelpViewer help_viewer = nullptr;
    const char* help_path = nullptr;
    ConfigAppliedHandler applied = nullptr;
    ConfigHandleObserver observer = nullptr;
};

DialogState& State() {
    static DialogState* state =
        new DialogState;  // never destroyed: other threads may still ask at exit
    return *state;
}

void SetFrame(HWND frame) {
    DialogState& s = State();
    s.frame.store(frame);
    if (s.observer != nullptr)
        s.observer(frame);
}

void InsertTab(HWND tabs, int index, const char* text) {
    std::wstring wide = Widen(text);
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = &wide[0];
    SendMessageW(tabs, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&item));
}

HWND CreatePage(HWND frame, int template_id, DLGPROC procedure) {
    HWND page = CreateDialogParamW(config_dialog::Instance(), MAKEINTRESOURCEW(template_id), frame,
                                   procedure, 0);
    // The page answers to its template number, so the help table finds it.
    if (page != nullptr) {
        SetWindowLongPtrW(page, GWLP_ID, template_id);
        config_dialog::AddPolicyTips(page);
    }
    return page;
}

void PlacePages(HWND frame) {
    DialogState& s = State();
    RECT tab_rect;
    GetWindowRect(s.tabs, &tab_rect);
    POINT top_left = {tab_rect.left, tab_rect.top};
    ScreenToClient(frame, &top_left);
    RECT item = {};
    SendMessageW(s.tabs, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&item));
    const int header = item.bottom - item.top;
    HWND below = GetDlgItem(frame, IDC_CONFIG_CANCEL);
    for (HWND page : s.pages) {
        if (page == nullptr)
            continue;
        RECT page_rect;
        GetWindowRect(page, &page_rect);
        const ScreenPoint at = PagePosition(
            top_left.x, top_left.y, tab_rect.right - tab_rect.left, tab_rect.bottom - tab_rect.top,
            header, page_rect.right - page_rect.left, page_rect.bottom - page_rect.top);
        // Above the tab control, which would otherwise paint over the page,
        // and after the buttons in the tab order.
        SetWindowPos(page, below, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);
        below = page;
    }
}

void ReadPages(SettingsRecord& record) {
    DialogState& s = State();
    config_dialog::ReadUserInterfacePageControls(s.pages[2], record);
    config_dialog::ReadConnectionPageControls(s.pages[1], record);
    config_dialog::ReadServerPageControls(s.pages[0], record);
    config_dialog::ReadLoggingPageControls(s.pages[3], record);
}

void InitialiseFrame(HWND frame) {
    DialogState& s = State();
    SetFrame(frame);
    s.tabs = GetDlgItem(frame, IDC_CONFIG_TABS);
    if (s.reload)
        UpdateSettings([](SettingsRecord& live) { LoadSettings(live); });
    RefreshPolicySettings();
    s.policy = CurrentPolicySettings();
    s.working = CurrentSettings();
    s.opened = s.working;
    CentreWindow(frame, nullptr);
    InsertTab(s.tabs, 0, "Server");
    InsertTab(s.tabs, 1, "Connection");
    InsertTab(s.tabs, 2, "User Interface");
    InsertTab(s.tabs, 3, "Logging");
    s.pages[0] = CreatePage(frame, IDD_CONFIG_SERVER_PAGE, config_dialog::ServerPageProc);
    s.pages[1] = CreatePage(frame, IDD_CONFIG_CONNECTION_PAGE, config_dialog::ConnectionPageProc);
    s.pages[2] = CreatePage(frame, IDD_CONFIG_UI_PAGE, config_dialog::UserInterfacePageProc);
    s.pages[3] = CreatePage(frame, IDD_CONFIG_LOGGING_PAGE, config_dialog::LoggingPageProc);
    PlacePages(frame);
    s.read_back = s.working;
    ReadPages(s.read_back);
    for (int i = 0; i < kPageCount; ++i) {
        if (s.pages[i] != nullptr)
            ShowWindow(s.pages[i], i == kServerTab ? SW_SHOW : SW_HIDE);
    }
    SendMessageW(s.tabs, TCM_SETCURSEL, kServerTab, 0);
    s.current = s.pages[kServerTab];
    s.previous = nullptr;
    SetForegroundWindow(frame);
}

void ShowSelectedPage() {
    DialogState& s = State();
    const int selected = static_cast<int>(SendMessageW(s.tabs, TCM_GETCURSEL, 0, 0));
    if (selected < 0 || selected >= kPageCount)
        return;
    s.previous = s.current;
    s.current = s.pages[selected];
    if (s.previous != nullptr && s.previous != s.current)
        ShowWindow(s.previous, SW_HIDE);
    if (s.current == nullptr)
        return;
    ShowWindow(s.current, SW_SHOW);
    UpdateWindow(s.current);
    if (selected == kUserInterfaceTab) {
        config_dialog::DrawFontPreview(s.current, s.working.time_font_name);
    }
}

void DestroyPages() {
    DialogState& s = State();
    for (HWND& page : s.pages) {
        if (page != nullptr)
            DestroyWindow(page);
        page = nullptr;
    }
    s.current = s.previous = nullptr;
}

void CloseFrame(HWND frame, INT_PTR result) {
    DialogState& s = State();
    DestroyPages();
    if (s.modal) {
        EndDialog(frame, result);
    } else {
        DestroyWindow(frame);
    }
    SetFrame(nullptr);
}

void ResolveServer(HWND frame) {
    SettingsRecord& working = State().working;
    if (working.use_server_by_name == 1) {
        if (!ForwardLookup(working.server_name, &working.server_address, frame)) {
            const int error = WSAGetLastError();
            MessageBoxUtf8(frame,
                           "Unable to convert primary server name \"" +
                               FieldText(working.server_name) + "\" to an IP address.\nError code " +
                               std::to_string(error) + ".",
                           "Name lookup failure", MB_OK);
            working.server_address.address = 0;
        }
    } else {
        char name[kPathCapacity] = {};
        if (ReverseLookup(&working.server_address, name, frame)) {
            CopyToField(working.server_name, name);
        }
    }
}

void PressOk(HWND frame) {
    DialogState& s = State();
    ReadPages(s.working);
    // Only an administrator may write the machine part: a user who changed
    // only the clock's looks must not be refused (and told so) for it. The
    // user's edits decide, not the lookup below: a pool's name answers with
    // another address nearly every time.
    KeepPolicyFields(s.policy, s.opened, s.working);
    KeepPolicyFields(s.policy, s.opened, s.read_back);
    const bool machine_changed = MachinePartDiffers(s.read_back, s.working);
    if (machine_changed) {
        // The looked-up address or name is stored with the server.
        ResolveServer(frame);
        KeepPolicyFields(s.policy, s.opened, s.working);
    }
    UpdateSettings(
        [&](SettingsRecord& live) { ApplyChangedPageFields(s.opened, s.working, live); });
    bool machine_part_saved = true;
    if (machine_changed) {
        machine_part_saved = SaveSettings(StoredSettings());
    } else {
        SaveUserSettings(StoredSettings());
    }
    if (!machine_part_saved) {
        // What could not be stored is not used either: the program goes on
        // as the machine's settings say, and the user is told.
        UpdateSettings([](SettingsRecord& live) { LoadSettings(live); });
    }
    HWND owner = GetWindow(frame, GW_OWNER);
    CloseFrame(frame, 1);
    if (!machine_part_saved) {
        MessageBoxUtf8(owner,
                       "Only an administrator can change the time server and update settings.  "
                       "Your window and display settings were saved.",
                       "Orvane", MB_OK | MB_ICONWARNING);
    }
    if (s.applied != nullptr)
        s.applied();
}

INT_PTR CALLBACK FrameProc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
    DialogState& s = State();
    switch (message) {
        case WM_INITDIALOG:
            InitialiseFrame(frame);
            return TRUE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lparam);
            if (header->idFrom == IDC_CONFIG_TABS && header->code == TCN_SELCHANGE) {
                ShowSelectedPage();
            }
            return TRUE;
        }
        case WM_COMMAND:
            switch (LOWORD(wparam)) {
                case IDOK:
                case IDC_CONFIG_OK:
                    PressOk(frame);
                    return TRUE;
                case IDCANCEL:
                case IDC_CONFIG_CANCEL:
                    CloseFrame(frame, 0);
                    return TRUE;
                case IDC_CONFIG_PREVIOUS_PAGE:
                case IDC_CONFIG_NEXT_PAGE: {
                    const int current = static_cast<int>(SendMessageW(s.tabs, TCM_GETCURSEL, 0, 0));
                    const int next = NextPageTab(current, LOWORD(wparam), kPageCount);
                    SendMessageW(s.tabs, TCM_SETCURFOCUS, next, 0);
                    return TRUE;
                }
                default:
                    return FALSE;
            }
        case WM_DESTROY:
            // Also when the owner goes first (the clock window at shutdown).
            if (s.frame.load() == frame)
                SetFrame(nullptr);
            return FALSE;
        default:
            return config_dialog::HandleHelpMessage(message, wparam, lparam) ? TRUE : FALSE;
    }
}

}  // namespace

namespace config_dialog {

SettingsRecord& WorkingCopy() {
    return State().working;
}
const PolicySettings& Policy() {
    return State().policy;
}
HWND Frame() {
    return State().frame.load();
}
HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

bool HandleHelpMessage(UINT message, WPARAM wparam, LPARAM lparam) {
    DialogState& s = State();
    const auto table = reinterpret_cast<ULONG_PTR>(kConfigurationHelpTable);
    if (message == WM_HELP) {
        const auto* info = reinterpret_cast<const HELPINFO*>(lparam);
        if (s.help_viewer != nullptr && info->iContextType == HELPINFO_WINDOW) {
            s.help_viewer(static_cast<HWND>(info->hItemHandle), s.help_path, HELP_WM_HELP, table);
        }
        return true;
    }
    if (message == WM_CONTEXTMENU) {
        if (s.help_viewer != nullptr) {
            s.help_viewer(reinterpret_cast<HWND>(wparam), s.help_path, HELP_CONTEXTMENU, table);
        }
        return true;
    }
    return false;
}

}  // namespace config_dialog

void SetConfigDialogHelp(ConfigHelpViewer viewer, const char* help_path) {
    State().help_viewer = viewer;
    State().help_path = help_path;
}

void SetConfigDialogAppliedHandler(ConfigAppliedHandler handler) {
    State().applied = handler;
}

void SetConfigDialogHandleObserver(ConfigHandleObserver observer) {
    State().observer = observer;
}

HWND OpenConfigurationDialogModeless(HWND parent) {
    DialogState& s = State();
    HWND open = s.frame.load();
    if (open != nullptr) {
        SetForegroundWindow(open);
        return open;
    }
    s.reload = false;
    s.modal = false;
    return CreateDialogParamW(config_dialog::Instance(), MAKEINTRESOURCEW(IDD_CONFIG_FRAME), parent,
                              FrameProc, 0);
}

int RunConfigurationDialogModal(HWND owner) {
    DialogState& s = State();
    HWND open = s.frame.load();
    if (open != nullptr) {
        SetForegroundWindow(open);
        return 0;
    }
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_STANDARD_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&controls);
    WSADATA data;
    const bool sockets = WSAStartup(MAKEWORD(1, 1), &data) == 0;
    s.reload = true;
    s.modal = true;
    const INT_PTR result = DialogBoxParamW(config_dialog::Instance(),
                                           MAKEINTRESOURCEW(IDD_CONFIG_FRAME), owner, FrameProc, 0);
    s.modal = false;
    if (sockets)
        WSACleanup();
    return result == 1 ? 1 : (result == 0 ? 0 : -1);
}

HWND ConfigurationDialogWindow() {
    return State().frame.load();
}

void WriteConfigurationDump(HWND owner) {
    if (!WriteConfigurationDumpFile(CurrentSettings(), &TheFileSystem()))
        return;
    MessageBoxUtf8(owner, kConfigurationDumpMessage, "Orvane", MB_ICONINFORMATION | MB_OK);
}

void SetEditTextWithLimit(HWND window, int control, int limit, const char* text) {
    // Counted in characters (UTF-16 units), as the record's limits count.
    SendDlgItemMessageW(window, control, EM_LIMITTEXT, limit, 0);
    SetDlgItemTextUtf8(window, control, text);
}

}  // namespace orvane
