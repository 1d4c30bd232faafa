// Uninstall.exe: confirmation, the progress window on the main thread and
// the work on a worker thread.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <memory>
#include <string>

#include "logging/fatal_error.h"
#include "platform/ui_sinks.h"
#include "platform/win32/administrator_rights.h"
#include "platform/win32/install_win32.h"
#include "platform/win32/restart_manager.h"
#include "platform/win32/system_library.h"
#include "settings/settings_store.h"
#include "ui/win32/window_placement.h"
#include "ui/window_names.h"
#include "uninstall/uninstall_resource_ids.h"
#include "uninstall/uninstall_work.h"
#include "uninstall/win32/uninstall_system_win32.h"

namespace orvane {

namespace {

constexpr char kErrorCaption[] = "Orvane Uninstall Error";
// The worker's report of what was left behind; lParam owns a heap copy of
// the text.
constexpr UINT kIncompleteMessage = WM_APP + 1;

void InstallPlatform() {
    InstallWin32Platform(kInstallWindowTitle);
    UseUninstallSystem(new Win32UninstallSystem);
    SetFatalErrorProgramName(kInstallWindowTitle);
}

// The progress window seen from the worker thread: each call is a message
// that Windows hands to the window's own thread.
class ProgressWindowView : public UninstallProgressView {
  public:
    explicit ProgressWindowView(HWND dialog) : dialog_(dialog) {}
    void SetLabel(const std::string& text) override {
        SetDlgItemTextA(dialog_, IDC_UNINSTALL_LABEL, text.c_str());
    }
    void SetPosition(int position) override {
        SendDlgItemMessageA(dialog_, IDC_UNINSTALL_PROGRESS_BAR, PBM_SETPOS,
                            static_cast<WPARAM>(position), 0);
    }
    void EnableClose() override { EnableWindow(GetDlgItem(dialog_, IDC_UNINSTALL_CLOSE), TRUE); }
    // The box belongs to the window's own thread, which shows it.
    void ReportIncomplete(const std::string& text) override {
        auto* copy = new std::string(text);
        if (!PostMessageA(dialog_, kIncompleteMessage, 0, reinterpret_cast<LPARAM>(copy)))
            delete copy;
    }

  private:
    HWND dialog_;
};

void __cdecl Worker(void* argument) {
    ProgressWindowView view(static_cast<HWND>(argument));
    // Orvane in every session before its files go; the work then still
    // closes this session's window where the Restart Manager is missing or
    // fails.
    CloseProgramInEverySession(ReadInstallFolder() + "\\Orvane.exe");
    RunUninstallWork(view);
}

void ShowIncomplete(HWND dialog, LPARAM text) {
    std::unique_ptr<std::string> owned(reinterpret_cast<std::string*>(text));
    MessageBoxA(dialog, owned->c_str(), kErrorCaption, MB_OK | MB_ICONERROR);
}

INT_PTR CALLBACK ProgressProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageA(dialog, IDC_UNINSTALL_PROGRESS_BAR, PBM_SETRANGE, 0,
                                MAKELPARAM(0, 100));
            SendDlgItemMessageA(dialog, IDC_UNINSTALL_PROGRESS_BAR, PBM_SETPOS, 0, 0);
            CentreWindow(dialog, nullptr);
            ShowWindow(dialog, SW_SHOW);
            return TRUE;
        case WM_COMMAND:
            // Escape (the cancel command) ends at once, even mid-work.
            if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDC_UNINSTALL_CLOSE) {
                PostQuitMessage(0);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            // The close box does nothing: the work is not to be broken off
            // by a click meant for another window.
            return TRUE;
        case WM_DESTROY:
            PostQuitMessage(0);
            return TRUE;
        case kIncompleteMessage:
            ShowIncomplete(dialog, lparam);
            return TRUE;
        default:
            return FALSE;
    }
}

bool AnotherInstallerRunning() {
    HWND other = FindWindowA(kDialogWindowClass, kInstallWindowTitle);
    if (other == nullptr)
        return false;
    ShowWindow(other, SW_RESTORE);
    SetForegroundWindow(other);
    return true;
}

bool UserConfirms() {
    return MessageBoxA(nullptr, "Are you sure you want to uninstall Orvane?", "Orvane",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) == IDYES;
}

int Run(HINSTANCE instance) {
    if (!HasAdministratorRights()) {
        MessageBoxA(nullptr, "This program must be run under an administrator account",
                    kErrorCaption, MB_OK | MB_ICONERROR);
        return 0;
    }
    if (AnotherInstallerRunning())
        return 0;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    if (!UserConfirms())
        return 0;

    InstallPlatform();
    HWND dialog = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_UNINSTALL_PROGRESS), nullptr,
                                     ProgressProcedure, 0);
    if (dialog == nullptr)
        return 0;
    if (_beginthread(Worker, 0, dialog) == static_cast<uintptr_t>(-1)) {
        ReportFatalErrorWithCode("_beginthread() failed");
    }

    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageA(dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (IsWindow(dialog))
        DestroyWindow(dialog);
    return 0;
}

}  // namespace

}  // namespace orvane

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    orvane::RestrictDllSearchToSystemFolder();
    return orvane::Run(instance);
}
