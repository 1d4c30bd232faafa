#include "ui/win32/status_dialog.h"

#include <memory>

#include "engine/update_scheduler.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_placement.h"
#include "ui/resource_ids.h"
#include "ui/status_text.h"
#include "ui/win32/dialog_support.h"
#include "ui/win32/help_viewer.h"
#include "ui/win32/ui_state.h"

namespace orvane {

namespace {

// Control to help context; the terminator's context serves the rest.
const DWORD kStatusHelpTable[] = {
    IDC_STATUS_SERVER_NAME,
    2002,
    IDC_STATUS_SERVER_NAME_LABEL,
    2002,
    IDC_STATUS_SERVER_ADDRESS,
    2003,
    IDC_STATUS_SERVER_ADDRESS_LABEL,
    2003,
    IDC_STATUS_TIME_BEFORE,
    2004,
    IDC_STATUS_TIME_BEFORE_LABEL,
    2004,
    IDC_STATUS_TIME_AFTER,
    2005,
    IDC_STATUS_TIME_AFTER_LABEL,
    2005,
    IDC_STATUS_DELAY,
    2006,
    IDC_STATUS_DELAY_LABEL,
    2006,
    IDC_STATUS_STRATUM,
    2007,
    IDC_STATUS_STRATUM_LABEL,
    2007,
    IDC_STATUS_VERSION,
    2009,
    IDC_STATUS_VERSION_LABEL,
    2009,
    IDC_STATUS_PROTOCOL,
    2010,
    IDC_STATUS_PROTOCOL_LABEL,
    2010,
    IDC_STATUS_LINK,
    2008,
    IDC_STATUS_LINK_LABEL,
    2008,
    IDC_STATUS_CLOSE,
    2011,
    IDC_STATUS_HELP,
    2012,
    IDC_STATUS_SYNCHRONISE,
    2013,
    0,
    2000,
};

void WriteStatusFields(HWND dialog, const LastUpdateRecord& record) {
    const StatusFieldTexts t = StatusTextsFor(record);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_SERVER_NAME, t.server_name);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_SERVER_ADDRESS, t.server_address);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_TIME_BEFORE, t.time_before);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_TIME_AFTER, t.time_after);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_DELAY, t.delay);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_VERSION, t.version);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_PROTOCOL, t.protocol);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_STRATUM, t.stratum);
    SetDlgItemTextUtf8(dialog, IDC_STATUS_LINK, t.link_text);
}

INT_PTR OnStatusInit(HWND dialog) {
    Ui().status_dialog.store(dialog);
    CentreWindow(dialog, nullptr);
    WriteStatusFields(dialog, CopyLastUpdateRecord());
    return TRUE;
}

INT_PTR OnStatusHelp(LPARAM lparam) {
    auto* info = reinterpret_cast<HELPINFO*>(lparam);
    if (info->iContextType == HELPINFO_WINDOW) {
        ShowHelp(static_cast<HWND>(info->hItemHandle), Ui().help_path.c_str(), HELP_WM_HELP,
                 reinterpret_cast<ULONG_PTR>(kStatusHelpTable));
    }
    return TRUE;
}

INT_PTR OnStatusContextMenu(WPARAM wparam) {
    ShowHelp(reinterpret_cast<HWND>(wparam), Ui().help_path.c_str(), HELP_CONTEXTMENU,
             reinterpret_cast<ULONG_PTR>(kStatusHelpTable));
    return TRUE;
}

INT_PTR OnStatusCommand(HWND dialog, WPARAM wparam) {
    switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
        case IDC_STATUS_CLOSE:
            DestroyWindow(dialog);
            return TRUE;
        case IDC_STATUS_SYNCHRONISE:
            RequestManualUpdate();
            return TRUE;
        case IDC_STATUS_HELP:
            ShowHelp(Ui().clock_window.load(), Ui().help_path.c_str(), HELP_CONTEXT, 2000);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR CALLBACK StatusDialogProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM lparam) {
    switch (msg) {
        case WM_INITDIALOG:
            return OnStatusInit(dialog);
        case WM_HELP:
            return OnStatusHelp(lparam);
        case WM_CONTEXTMENU:
            return OnStatusContextMenu(wparam);
        case WM_COMMAND:
            return OnStatusCommand(dialog, wparam);
        case WM_DESTROY:
            Ui().status_dialog.store(nullptr);
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void OpenStatusDialog() {
    HWND open = Ui().status_dialog.load();
    if (open != nullptr) {
        SetWindowPos(open, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        return;
    }
    OpenDialogFromTemplate(IDD_STATUS, Ui().clock_window.load(), StatusDialogProc);
}

void RequestStatusRefresh(const LastUpdateRecord& record) {
    HWND dialog = Ui().status_dialog.load();
    if (dialog == nullptr)
        return;
    if (GetCurrentThreadId() == Ui().ui_thread_id) {
        WriteStatusFields(dialog, record);
        return;
    }
    HWND clock = Ui().clock_window.load();
    if (clock == nullptr)
        return;
    auto copy = std::make_unique<LastUpdateRecord>(record);
    if (PostMessageW(clock, kStatusRefreshMessage, 0, reinterpret_cast<LPARAM>(copy.get()))) {
        copy.release();  // the clock window owns it now
    }
}

void OnStatusRefreshMessage(LPARAM lparam) {
    std::unique_ptr<LastUpdateRecord> copy(reinterpret_cast<LastUpdateRecord*>(lparam));
    // The dialog may have closed since the refresh was asked for.
    HWND dialog = Ui().status_dialog.load();
    if (dialog != nullptr && copy)
        WriteStatusFields(dialog, *copy);
}

}  // namespace orvane
