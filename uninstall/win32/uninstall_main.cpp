// Uninstall.exe: confirmation, the progress window on the main thread and
// the work on a worker thread; with /quiet, the work alone, without a
// window or a box.
#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <atomic>
#include <memory>
#include <string>

#include "logging/fatal_error.h"
#include "platform/ui_sinks.h"
#include "platform/win32/administrator_rights.h"
#include "platform/win32/install_win32.h"
#include "platform/win32/installer_lock.h"
#include "platform/win32/restart_manager.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "settings/settings_store.h"
#include "setup/command_line.h"
#include "platform/win32/window_placement.h"
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

struct UninstallRun {
    InstallerOptions options;
    InstallerReport report;
    Win32UninstallSystem* system = nullptr;
    std::string folder;
    HWND dialog = nullptr;
    // Set by the worker: the work has ended, or left items behind.
    std::atomic<bool> done{false};
    std::atomic<bool> incomplete{false};
};

UninstallRun& Run() {
    static UninstallRun* run = new UninstallRun;  // never destroyed: the worker may outlive main
    return *run;
}

void InstallPlatform() {
    InstallWin32Platform(kInstallWindowTitle);
    Run().system = new Win32UninstallSystem;
    UseUninstallSystem(Run().system);
    SetFatalErrorProgramName(kInstallWindowTitle);
    UseMessageBoxSink(new ReportingMessageBoxSink(Run().report, TheMessageBoxSink()));
    UseProcessExit(new FailedProcessExit(TheProcessExit()));
}

bool RestartNeeded() {
    return RestartNeededAfterUninstall(Run().system->ScheduledForRestart(), Run().folder);
}

int UninstallExitCode() {
    if (Run().report.Failed() || Run().incomplete)
        return ExitCodeFor(InstallerOutcome::kFailed);
    return ExitCodeFor(RestartNeeded() ? InstallerOutcome::kRestartNeeded
                                       : InstallerOutcome::kSucceeded);
}

// The work seen from the worker thread (the main thread when quiet): each
// label is a step of the log; the window, when there is one, gets each
// call as a message that Windows hands to the window's own thread.
class ProgressView : public UninstallProgressView {
  public:
    void SetLabel(const std::string& text) override {
        std::string shown = text;
        if (text == kUninstallSuccessful && RestartNeeded())
            shown += std::string("\n") + kRestartToFinishText;
        Run().report.Step(shown);
        if (Run().dialog != nullptr)
            SetDlgItemTextUtf8(Run().dialog, IDC_UNINSTALL_LABEL, shown);
    }
    void SetPosition(int position) override {
        if (Run().dialog != nullptr) {
            SendDlgItemMessageW(Run().dialog, IDC_UNINSTALL_PROGRESS_BAR, PBM_SETPOS,
                                static_cast<WPARAM>(position), 0);
        }
    }
    void EnableClose() override {
        Run().done = true;
        if (Run().dialog != nullptr)
            EnableWindow(GetDlgItem(Run().dialog, IDC_UNINSTALL_CLOSE), TRUE);
    }
    // The box belongs to the window's own thread, which shows it.
    void ReportIncomplete(const std::string& text) override {
        Run().incomplete = true;
        if (Run().dialog == nullptr) {
            Run().report.Box(text, kErrorCaption, MB_OK | MB_ICONERROR, IDOK);
            return;
        }
        auto* copy = new std::string(text);
        if (!PostMessageW(Run().dialog, kIncompleteMessage, 0, reinterpret_cast<LPARAM>(copy)))
            delete copy;
    }
};

void DoWork() {
    ProgressView view;
    // Orvane in every session before its files go; the work then still
    // closes this session's window where the Restart Manager is missing or
    // fails.
    CloseProgramInEverySession(Run().folder + "\\Orvane.exe");
    RunUninstallWork(view);
}

void __cdecl Worker(void*) {
    DoWork();
}

void ShowIncomplete(LPARAM text) {
    std::unique_ptr<std::string> owned(reinterpret_cast<std::string*>(text));
    Run().report.Box(*owned, kErrorCaption, MB_OK | MB_ICONERROR, IDOK);
}

INT_PTR CALLBACK ProgressProcedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
        case WM_INITDIALOG:
            SendDlgItemMessageW(dialog, IDC_UNINSTALL_PROGRESS_BAR, PBM_SETRANGE, 0,
                                MAKELPARAM(0, 100));
            SendDlgItemMessageW(dialog, IDC_UNINSTALL_PROGRESS_BAR, PBM_SETPOS, 0, 0);
            CentreWindow(dialog, nullptr);
            ShowWindow(dialog, SW_SHOW);
            return TRUE;
        case WM_COMMAND:
            // Escape and Close end the program only once the work is done:
            // broken off, it would leave half an installation.
            if (LOWORD(wparam) == IDCANCEL || LOWORD(wparam) == IDC_UNINSTALL_CLOSE) {
                if (Run().done)
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
            ShowIncomplete(lparam);
            return TRUE;
        default:
            return FALSE;
    }
}

int ShowProgressWindow(HINSTANCE instance) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND dialog = CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_UNINSTALL_PROGRESS), nullptr,
                                     ProgressProcedure, 0);
    if (dialog == nullptr)
        return ExitCodeFor(InstallerOutcome::kFailed);
    Run().dialog = dialog;
    if (_beginthread(Worker, 0, nullptr) == static_cast<uintptr_t>(-1)) {
        ReportFatalErrorWithCode("_beginthread() failed");
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(dialog, &msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    if (!Run().done)
        return ExitCodeFor(InstallerOutcome::kFailed);  // the window went with the work unfinished
    return UninstallExitCode();
}

int RunUninstall(HINSTANCE instance) {
    UninstallRun& run = Run();
    // The wide command line: a /log path outside the ANSI code page stays
    // whole.
    const std::string command_line = Narrow(GetCommandLineW());
    run.options =
        ParseInstallerOptions(CommandLineArguments(command_line), InstallerProgram::kUninstall);
    run.report.Start(run.options,
                     [](const std::string& text, const std::string& caption, unsigned style) {
                         return MessageBoxUtf8(Run().dialog, text, caption, style);
                     });
    InstallPlatform();
    run.report.Step("Orvane Uninstall: " + command_line);
    if (!run.options.refusal.empty()) {
        run.report.Failure(run.options.refusal, kErrorCaption, MB_OK | MB_ICONERROR);
        return ExitCodeFor(InstallerOutcome::kFailed);
    }
    if (!HasAdministratorRights()) {
        run.report.Box("This program must be run under an administrator account", kErrorCaption,
                       MB_OK | MB_ICONERROR, IDOK);
        return ExitCodeFor(InstallerOutcome::kNotAdministrator);
    }
    const InstallerLock lock = TakeInstallerLock(kInstallerMutexName);
    if (lock == InstallerLock::kHeldByAnother) {
        run.report.Box(kAnotherInstallerRunningText, kErrorCaption, MB_OK | MB_ICONERROR, IDOK);
        return ExitCodeFor(InstallerOutcome::kAlreadyRunning);
    }
    if (lock == InstallerLock::kUnavailable)
        run.report.Step("Going on without the lock against a second Setup or Uninstall.");
    if (run.report.Box("Are you sure you want to uninstall Orvane?", "Orvane",
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2, IDYES) != IDYES) {
        return ExitCodeFor(InstallerOutcome::kCancelled);
    }
    run.folder = ReadInstallFolder();
    if (!run.report.Quiet())
        return ShowProgressWindow(instance);
    DoWork();
    return UninstallExitCode();
}

}  // namespace

}  // namespace orvane

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    orvane::RestrictDllSearchToSystemFolder();
    const int code = orvane::RunUninstall(instance);
    orvane::Run().report.Step("Exit code " + std::to_string(code));
    return code;
}
