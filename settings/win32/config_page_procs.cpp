// The four pages of the configuration dialog and the server list. The
// rules live in settings/config_pages.h; this file moves them between the
// working copy and the controls.
#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

#include <cwchar>
#include <string>
#include <vector>

#include "dialup/dial_entries.h"
#include "dialup/dialup_module.h"
#include "logging/fatal_error.h"
#include "platform/os_version.h"
#include "platform/unicode_text.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_dpi.h"
#include "platform/win32/window_placement.h"
#include "settings/config_dialog_ids.h"
#include "settings/config_pages.h"
#include "platform/fixed_text.h"
#include "settings/policy_settings.h"
#include "settings/server_list.h"
#include "settings/win32/config_dialog.h"
#include "settings/win32/config_dialog_internal.h"

namespace orvane {
namespace config_dialog {

namespace {

constexpr wchar_t kPreviewText[] = L"12:34:56";
constexpr char kGetDcFailed[] = "GetDC() failed";
// The preview's font height in pixels at 100 % (96 DPI).
constexpr int kPreviewFontHeight = 30;
constexpr int kDefaultDpi = 96;

bool Clicked(WPARAM wparam) {
    return HIWORD(wparam) == BN_CLICKED;
}

INT_PTR CALLBACK ServerListProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            CentreWindow(dialog, Frame());
            for (int i = 0; kPublicServerLabels[i][0] != '\0'; ++i) {
                const std::wstring label = Widen(kPublicServerLabels[i]);
                SendDlgItemMessageW(dialog, IDC_SERVER_LIST, LB_ADDSTRING, 0,
                                    reinterpret_cast<LPARAM>(label.c_str()));
            }
            return TRUE;
        case WM_COMMAND: {
            const int selected =
                static_cast<int>(SendDlgItemMessageW(dialog, IDC_SERVER_LIST, LB_GETCURSEL, 0, 0));
            switch (LOWORD(wparam)) {
                case IDOK:
                    EndDialog(dialog, selected == LB_ERR ? 0 : selected + 1);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                case IDC_SERVER_LIST:
                    if (HIWORD(wparam) == LBN_DBLCLK && selected != LB_ERR) {
                        EndDialog(dialog, selected + 1);
                    }
                    return TRUE;
                default:
                    return FALSE;
            }
        }
        default:
            return HandleHelpMessage(message, wparam, lparam) ? TRUE : FALSE;
    }
}

std::string ComboText(HWND page, int id, int index) {
    const LRESULT length = SendDlgItemMessageW(page, id, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR || length < 0)
        return std::string();
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendDlgItemMessageW(page, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(&text[0]));
    return Narrow(text.c_str());
}

int CALLBACK AddFontFace(const LOGFONTW* font, const TEXTMETRICW*, DWORD, LPARAM list_handle) {
    HWND list = reinterpret_cast<HWND>(list_handle);
    // "@" faces are the vertical forms of East Asian fonts: a clock in one
    // would lie on its side.
    if (font->lfFaceName[0] == L'@')
        return 1;
    // Each face once, however often the system lists it.
    if (SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(font->lfFaceName)) == CB_ERR) {
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(font->lfFaceName));
    }
    return 1;
}

void FillFontList(HWND page) {
    HWND list = GetDlgItem(page, IDC_UI_FONT_LIST);
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    HDC dc = GetDC(page);
    if (dc == nullptr)
        ReportFatalError(kGetDcFailed);
    // Faces of every character set, so that a face made for the user's own
    // script (and its AM/PM markers) is offered too.
    LOGFONTW wanted = {};
    wanted.lfCharSet = DEFAULT_CHARSET;
    EnumFontFamiliesExW(dc, &wanted, AddFontFace, reinterpret_cast<LPARAM>(list), 0);
    ReleaseDC(page, dc);

    const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
    std::vector<std::string> faces;
    for (int i = 0; i < count; ++i)
        faces.push_back(ComboText(page, IDC_UI_FONT_LIST, i));
    const int selection = FontListSelection(faces, WorkingCopy().time_font_name);
    if (selection >= 0)
        SendMessageW(list, CB_SETCURSEL, selection, 0);
}

WNDPROC preview_area_procedure = nullptr;

// The preview area draws the preview whenever it paints itself, so the
// static control's own painting never wipes it out.
LRESULT CALLBACK PreviewAreaProc(HWND area, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        BeginPaint(area, &paint);
        EndPaint(area, &paint);
        DrawFontPreview(GetParent(area), WorkingCopy().time_font_name);
        return 0;
    }
    if (message == WM_ERASEBKGND)
        return 1;
    return CallWindowProcW(preview_area_procedure, area, message, wparam, lparam);
}

// start_folder: the folder's UTF-16 path, or 0.
int CALLBACK BrowseStarted(HWND browser, UINT message, LPARAM, LPARAM start_folder) {
    if (message == BFFM_INITIALIZED && start_folder != 0) {
        SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, start_folder);
    }
    return 0;
}

}  // namespace

void ApplyView(HWND page, const PageView& view) {
    for (const auto& [id, on] : view.checked) {
        CheckDlgButton(page, id, on ? BST_CHECKED : BST_UNCHECKED);
    }
    for (const auto& [id, on] : view.enabled)
        EnableWindow(GetDlgItem(page, id), on ? TRUE : FALSE);
    for (int id : ControlsSetByPolicy(Policy())) {
        if (HWND control = GetDlgItem(page, id))
            EnableWindow(control, FALSE);
    }
    for (const auto& [id, text] : view.texts) {
        const int limit = EditTextLimit(id);
        if (limit > 0) {
            SetEditTextWithLimit(page, id, limit, text.c_str());
        } else {
            SetDlgItemTextUtf8(page, id, text);
        }
    }
}

void AddPolicyTips(HWND page) {
    HWND tip = nullptr;
    for (int id : ControlsSetByPolicy(Policy())) {
        HWND control = GetDlgItem(page, id);
        if (control == nullptr)
            continue;
        EnableWindow(control, FALSE);
        if (tip == nullptr) {
            // A popup's owner is the page's top-level window: it goes with
            // the dialog.
            tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                                  WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, page, nullptr,
                                  Instance(), nullptr);
            if (tip == nullptr)
                return;
        }
        // A disabled control gets no mouse messages; its parent gets them,
        // so the tool is the control's rectangle on the page, and the
        // tooltip watches the page's mouse messages itself.
        RECT rect;
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&rect), 2);
        TTTOOLINFOW tool = {};
        // The size every version of the common controls accepts.
        tool.cbSize = TTTOOLINFOW_V2_SIZE;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = page;
        tool.uId = static_cast<UINT_PTR>(id);
        tool.rect = rect;
        // Kept for the process's life, whether or not the tooltip copies it.
        static const std::wstring text = Widen(kSetByAdministratorText);
        tool.lpszText = const_cast<wchar_t*>(text.c_str());
        SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

// ---- Server page ----

INT_PTR CALLBACK ServerPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    SettingsRecord& working = WorkingCopy();
    switch (message) {
        case WM_INITDIALOG:
            ApplyView(page, ServerPageInitialView(working));
            return FALSE;
        case WM_COMMAND:
            if (!Clicked(wparam))
                return FALSE;
            switch (LOWORD(wparam)) {
                case IDC_SERVER_BY_NAME:
                    ApplyView(page, ServerByNameClicked(working, true));
                    return TRUE;
                case IDC_SERVER_BY_ADDRESS:
                    ApplyView(page, ServerByNameClicked(working, false));
                    return TRUE;
                case IDC_SERVER_UPDATES:
                    ApplyView(page, ServerUpdatesClicked(IsChecked(page, IDC_SERVER_UPDATES)));
                    return TRUE;
                case IDC_SERVER_CHOOSE: {
                    const INT_PTR result = DialogBoxParamW(
                        Instance(), MAKEINTRESOURCEW(IDD_SERVER_LIST), page, ServerListProc, 0);
                    PageView view;
                    if (ServerListChosen(working, static_cast<int>(result), &view)) {
                        ApplyView(page, view);
                    }
                    return TRUE;
                }
                default:
                    return FALSE;
            }
        default:
            return HandleHelpMessage(message, wparam, lparam) ? TRUE : FALSE;
    }
}

void ReadServerPageControls(HWND page, SettingsRecord& working) {
    if (page == nullptr)
        return;
    ServerPageInput in;
    in.by_name = IsChecked(page, IDC_SERVER_BY_NAME);
    in.server_name = ControlText(page, IDC_SERVER_NAME);
    in.address_text = ControlText(page, IDC_SERVER_ADDRESS);
    in.sntp = IsChecked(page, IDC_SERVER_SNTP);
    in.time_udp = IsChecked(page, IDC_SERVER_TIME_UDP);
    in.time_tcp = IsChecked(page, IDC_SERVER_TIME_TCP);
    in.updates = IsChecked(page, IDC_SERVER_UPDATES);
    in.interval_text = ControlText(page, IDC_SERVER_INTERVAL);
    in.broadcasts = IsChecked(page, IDC_SERVER_BROADCASTS);
    ReadServerPage(in, working);
}

// ---- Connection page ----

INT_PTR CALLBACK ConnectionPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    SettingsRecord& working = WorkingCopy();
    switch (message) {
        case WM_INITDIALOG: {
            const bool available = TheDialupModule().IsDialupAvailable() != 0;
            ApplyView(page, ConnectionPageInitialView(working, available));
            if (available) {
                for (const std::string& entry : PhoneBookEntriesOfInstalledModule()) {
                    const std::wstring name = Widen(entry);
                    SendDlgItemMessageW(page, IDC_CONN_ENTRY_LIST, CB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(name.c_str()));
                }
            }
            // Letter case aside, as the combo box compares.
            const std::wstring configured = Widen(FieldText(working.dialup_server_name));
            const LRESULT found =
                SendDlgItemMessageW(page, IDC_CONN_ENTRY_LIST, CB_FINDSTRINGEXACT,
                                    static_cast<WPARAM>(-1),
                                    reinterpret_cast<LPARAM>(configured.c_str()));
            if (found != CB_ERR && working.dialup_server_name[0] != '\0') {
                SendDlgItemMessageW(page, IDC_CONN_ENTRY_LIST, CB_SETCURSEL, found, 0);
            }
            return FALSE;
        }
        case WM_COMMAND: {
            const int id = LOWORD(wparam);
            if (id == IDC_CONN_ENTRY_LIST && HIWORD(wparam) == CBN_SELCHANGE) {
                const int selected = static_cast<int>(
                    SendDlgItemMessageW(page, IDC_CONN_ENTRY_LIST, CB_GETCURSEL, 0, 0));
                if (selected != CB_ERR) {
                    ApplyView(page, DialEntryChosen(
                                        working, ComboText(page, IDC_CONN_ENTRY_LIST, selected)));
                }
                return TRUE;
            }
            if (!Clicked(wparam))
                return FALSE;
            if (id == IDC_CONN_LAN || id == IDC_CONN_DIALUP || id == IDC_CONN_FORCE_DIAL) {
                ApplyView(page, ConnectionButtonClicked(working, id, IsChecked(page, id)));
                return TRUE;
            }
            return FALSE;
        }
        default:
            return HandleHelpMessage(message, wparam, lparam) ? TRUE : FALSE;
    }
}

void ReadConnectionPageControls(HWND page, SettingsRecord& working) {
    if (page == nullptr)
        return;
    ConnectionPageInput in;
    in.lan = IsChecked(page, IDC_CONN_LAN);
    in.force_dial = IsChecked(page, IDC_CONN_FORCE_DIAL);
    const int selected =
        static_cast<int>(SendDlgItemMessageW(page, IDC_CONN_ENTRY_LIST, CB_GETCURSEL, 0, 0));
    in.has_entry = selected != CB_ERR;
    if (in.has_entry)
        in.entry = ComboText(page, IDC_CONN_ENTRY_LIST, selected);
    in.user_name = ControlText(page, IDC_CONN_USERNAME);
    in.password = ControlText(page, IDC_CONN_PASSWORD);
    ReadConnectionPage(in, working);
}

// ---- User Interface page ----

void DrawFontPreview(HWND page, const char* face_name) {
    HWND area = GetDlgItem(page, IDC_UI_FONT_PREVIEW);
    if (area == nullptr)
        return;
    HDC dc = GetDC(area);
    if (dc == nullptr)
        ReportFatalError(kGetDcFailed);

    // Drawn at the dialog's scale, as the clock is drawn at its monitor's.
    LOGFONTW wanted = {};
    wanted.lfHeight = -MulDiv(kPreviewFontHeight, WindowDpi(area), kDefaultDpi);
    wanted.lfWeight = FW_NORMAL;
    wanted.lfCharSet = DEFAULT_CHARSET;
    const std::wstring face = Widen(CutToUtf16Units(face_name, LF_FACESIZE - 1));
    face.copy(wanted.lfFaceName, LF_FACESIZE - 1);
    HFONT font = CreateFontIndirectW(&wanted);
    HGDIOBJ old_font = SelectObject(dc, font);

    const int length = static_cast<int>(std::wcslen(kPreviewText));
    SIZE text = {};
    GetTextExtentPoint32W(dc, kPreviewText, length, &text);
    RECT rect;
    GetWindowRect(area, &rect);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    const PreviewOrigin at = FontPreviewOrigin(width, height, text.cx, text.cy);

    LOGPEN no_frame = {PS_NULL, {0, 0}, 0};
    HPEN pen = CreatePenIndirect(&no_frame);
    HGDIOBJ old_pen = SelectObject(dc, pen);
    HGDIOBJ old_brush = SelectObject(dc, GetSysColorBrush(COLOR_BTNFACE));
    Rectangle(dc, 0, 0, width - 1, height - 1);
    // The face's own text colour, as the clock draws it.
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    TextOutW(dc, at.x, at.y, kPreviewText, length);

    SelectObject(dc, old_brush);
    SelectObject(dc, old_pen);
    SelectObject(dc, old_font);
    DeleteObject(font);
    DeleteObject(pen);
    ReleaseDC(area, dc);
}

INT_PTR CALLBACK UserInterfacePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    SettingsRecord& working = WorkingCopy();
    switch (message) {
        case WM_INITDIALOG: {
            FillFontList(page);
            ApplyView(page, UserInterfacePageInitialView(working));
            HWND area = GetDlgItem(page, IDC_UI_FONT_PREVIEW);
            if (area != nullptr) {
                preview_area_procedure = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
                    area, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviewAreaProc)));
            }
            return FALSE;
        }
        case WM_PAINT: {
            PAINTSTRUCT paint;
            BeginPaint(page, &paint);
            EndPaint(page, &paint);
            DrawFontPreview(page, working.time_font_name);
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wparam) == IDC_UI_FONT_LIST && HIWORD(wparam) == CBN_SELCHANGE) {
                const int selected = static_cast<int>(
                    SendDlgItemMessageW(page, IDC_UI_FONT_LIST, CB_GETCURSEL, 0, 0));
                if (selected != CB_ERR) {
                    FontChosen(working, ComboText(page, IDC_UI_FONT_LIST, selected));
                    DrawFontPreview(page, working.time_font_name);
                }
                return TRUE;
            }
            return FALSE;
        default:
            return HandleHelpMessage(message, wparam, lparam) ? TRUE : FALSE;
    }
}

void ReadUserInterfacePageControls(HWND page, SettingsRecord& working) {
    if (page == nullptr)
        return;
    UserInterfacePageInput in;
    in.always_on_top = IsChecked(page, IDC_UI_ALWAYS_ON_TOP);
    in.show_date = IsChecked(page, IDC_UI_SHOW_DATE);
    in.hide_taskbar_button = IsChecked(page, IDC_UI_HIDE_TASKBAR_BUTTON);
    in.hide_in_tray = IsChecked(page, IDC_UI_HIDE_IN_TRAY);
    in.launch_at_startup = IsChecked(page, IDC_UI_LAUNCH_AT_STARTUP);
    ReadUserInterfacePage(in, working);
}

// ---- Logging page ----

INT_PTR CALLBACK LoggingPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam) {
    SettingsRecord& working = WorkingCopy();
    switch (message) {
        case WM_INITDIALOG:
            ApplyView(page, LoggingPageInitialView(working, IsNtPlatform()));
            return FALSE;
        case WM_COMMAND: {
            if (!Clicked(wparam))
                return FALSE;
            const int id = LOWORD(wparam);
            if (id == IDC_LOG_ENABLE || id == IDC_LOG_DELETE_OLD || id == IDC_LOG_CAP_SIZE) {
                ApplyView(page, LoggingButtonClicked(working, id, IsChecked(page, id),
                                                     IsChecked(page, IDC_LOG_DELETE_OLD),
                                                     IsChecked(page, IDC_LOG_CAP_SIZE)));
                return TRUE;
            }
            if (id == IDC_LOG_BROWSE) {
                std::string path;
                if (BrowseForFolder(&path, "Orvane logfile folder", page,
                                    ControlText(page, IDC_LOG_PATH))) {
                    SetEditTextWithLimit(page, IDC_LOG_PATH, kPathCapacity, path.c_str());
                }
                return TRUE;
            }
            return FALSE;
        }
        default:
            return HandleHelpMessage(message, wparam, lparam) ? TRUE : FALSE;
    }
}

void ReadLoggingPageControls(HWND page, SettingsRecord& working) {
    if (page == nullptr)
        return;
    LoggingPageInput in;
    in.enable = IsChecked(page, IDC_LOG_ENABLE);
    in.minimum = IsChecked(page, IDC_LOG_MINIMUM);
    in.medium = IsChecked(page, IDC_LOG_MEDIUM);
    in.maximum = IsChecked(page, IDC_LOG_MAXIMUM);
    in.path = ControlText(page, IDC_LOG_PATH);
    in.delete_old = IsChecked(page, IDC_LOG_DELETE_OLD);
    in.age_text = ControlText(page, IDC_LOG_MAX_AGE);
    in.cap_size = IsChecked(page, IDC_LOG_CAP_SIZE);
    in.space_text = ControlText(page, IDC_LOG_MAX_SPACE);
    in.event_log = IsChecked(page, IDC_LOG_EVENT_LOG);
    ReadLoggingPage(in, working);
}

}  // namespace config_dialog

std::string ControlText(HWND page, int id) {
    HWND control = GetDlgItem(page, id);
    return control == nullptr ? std::string() : WindowTextUtf8(control);
}

bool IsChecked(HWND page, int id) {
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

bool BrowseForFolder(std::string* path, const std::string& title, HWND owner,
                     const std::string& start_folder) {
    if (FAILED(CoInitialize(nullptr)))
        return false;
    const std::wstring wide_title = Widen(title);
    const std::wstring start = Widen(start_folder);
    wchar_t display_name[MAX_PATH] = {};
    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.pidlRoot = nullptr;
    browse.pszDisplayName = display_name;
    browse.lpszTitle = wide_title.c_str();
    browse.ulFlags = 0;
    browse.lpfn = config_dialog::BrowseStarted;
    browse.lParam = start.empty() ? 0 : reinterpret_cast<LPARAM>(start.c_str());
    LPITEMIDLIST chosen = SHBrowseForFolderW(&browse);
    bool has_path = false;
    if (chosen != nullptr) {
        // MAX_PATH units, as SHGetPathFromIDListW writes at most.
        wchar_t chosen_path[MAX_PATH] = {};
        has_path = SHGetPathFromIDListW(chosen, chosen_path) != FALSE;
        // The shell hands items out from the COM task allocator.
        CoTaskMemFree(chosen);
        if (has_path)
            *path = Narrow(chosen_path, MAX_PATH);
    }
    CoUninitialize();
    return has_path;
}

}  // namespace orvane
