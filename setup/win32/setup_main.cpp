// Setup.exe: the installation wizard.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "dialup/win32/dialup_win32.h"
#include "logging/fatal_error.h"
#include "platform/ui_sinks.h"
#include "platform/win32/administrator_rights.h"
#include "platform/win32/install_win32.h"
#include "platform/win32/installer_lock.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "setup/command_line.h"
#include "setup/setup_resource_ids.h"
#include "setup/win32/installation.h"
#include "setup/win32/setup_run.h"
#include "setup/win32/shell_start.h"
#include "setup/win32/wizard.h"
#include "setup/win32/wizard_state.h"
#include "ui/window_names.h"

namespace orvane {

namespace {

constexpr char kFrameCaption[] = "Orvane Setup";

void InstallPlatform() {
    InstallWin32Platform(kInstallWindowTitle);
    // The configuration dialog's Connection page lists the phone-book
    // entries; Setup never dials.
    InstallWin32Dialup();
    UseShellStarter(new Win32ShellStarter);
    // The fatal-error report's box goes to the log too, is not shown when
    // quiet, and the end it makes is a failure.
    UseMessageBoxSink(new ReportingMessageBoxSink(TheSetupRun().report, TheMessageBoxSink()));
    UseProcessExit(new FailedProcessExit(TheProcessExit()));
}

// A wizard already running comes forward behind the box.
void BringRunningWizardForward() {
    HWND running = FindWindowW(Widen(kDialogWindowClass).c_str(), Widen(kFrameCaption).c_str());
    if (running == nullptr)
        return;
    ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
}

// "Orvane.hlp" where the search path finds it, else empty.
std::string FindHelpFile() {
    const wchar_t name[] = L"Orvane.hlp";
    // The first call gives the room needed, terminator included.
    const DWORD needed = SearchPathW(nullptr, name, nullptr, 0, nullptr, nullptr);
    if (needed == 0)
        return std::string();
    std::vector<wchar_t> path(needed);
    const DWORD length = SearchPathW(nullptr, name, nullptr, needed, path.data(), nullptr);
    if (length == 0 || length >= needed)
        return std::string();
    return Narrow(path.data(), static_cast<int>(length));
}

void StartSockets() {
    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0)
        ReportFatalErrorWithCode("Winsock v1.01 not found");
    if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1) {
        WSACleanup();
        ReportFatalErrorWithCode("Winsock v1.01 not found");
    }
}

int RunSetup(HINSTANCE instance) {
    WizardState& wizard = Wizard();
    wizard.instance = instance;
    SetupRun& run = TheSetupRun();
    // The wide command line: a /dir or /log path outside the ANSI code page
    // stays whole.
    const std::string command_line = Narrow(GetCommandLineW());
    run.options =
        ParseInstallerOptions(CommandLineArguments(command_line), InstallerProgram::kSetup);
    run.report.Start(run.options,
                     [](const std::string& text, const std::string& caption, unsigned style) {
                         return MessageBoxUtf8(Wizard().frame, text, caption, style);
                     });
    InstallPlatform();
    SetFatalErrorProgramName(kInstallWindowTitle);
    run.report.Step("Orvane Setup: " + command_line);
    if (!run.options.refusal.empty()) {
        SetupFailure(run.options.refusal, MB_OK | MB_ICONERROR);
        return SetupExitCode();
    }

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    if (!HasAdministratorRights()) {
        SetupBox("This program must be installed under an administrator account",
                 kSetupErrorCaption, MB_OK | MB_ICONERROR, IDOK);
        return ExitCodeFor(InstallerOutcome::kNotAdministrator);
    }
    const InstallerLock lock = TakeInstallerLock(kInstallerMutexName);
    if (lock == InstallerLock::kHeldByAnother) {
        BringRunningWizardForward();
        SetupBox(kAnotherInstallerRunningText, kSetupErrorCaption, MB_OK | MB_ICONERROR, IDOK);
        return ExitCodeFor(InstallerOutcome::kAlreadyRunning);
    }
    if (lock == InstallerLock::kUnavailable)
        run.report.Step("Going on without the lock against a second Setup or Uninstall.");
    StartSockets();
    if (run.report.Quiet()) {
        RunQuietInstallation();
        WSACleanup();
        return SetupExitCode();
    }

    wizard.icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_SETUP_PROGRAM));
    // The configuration dialog's help; not finding it is no error.
    wizard.help_path = FindHelpFile();

    HWND frame = CreateWizardFrame();
    if (frame == nullptr) {
        WSACleanup();
        return ExitCodeFor(InstallerOutcome::kFailed);
    }
    SendMessageW(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(wizard.icon));
    SendMessageW(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(wizard.icon));
    ShowWindow(frame, SW_SHOW);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (WizardTakesMessage(&message))
            continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }

    DestroyWizard();
    WSACleanup();
    return SetupExitCode();
}

}  // namespace

}  // namespace orvane

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    orvane::RestrictDllSearchToSystemFolder();
    const int code = orvane::RunSetup(instance);
    orvane::TheSetupRun().report.Step("Exit code " + std::to_string(code));
    return code;
}
