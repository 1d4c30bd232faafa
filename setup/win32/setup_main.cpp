// Setup.exe: the installation wizard.
#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include "dialup/win32/dialup_win32.h"
#include "logging/fatal_error.h"
#include "platform/win32/administrator_rights.h"
#include "platform/win32/install_win32.h"
#include "platform/win32/system_library.h"
#include "setup/setup_resource_ids.h"
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
}

// A wizard already running comes forward instead of a second one starting.
// Besides the program name that Uninstall's test also looks for, the
// wizard's own caption is looked for: the frame is titled "Orvane Setup",
// so a test for the program name alone would never find it.
bool BroughtRunningWizardForward() {
    for (const char* title : {kInstallWindowTitle, kFrameCaption}) {
        HWND running = FindWindowA(kDialogWindowClass, title);
        if (running == nullptr)
            continue;
        ShowWindow(running, SW_RESTORE);
        SetForegroundWindow(running);
        return true;
    }
    return false;
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
    InstallPlatform();
    SetFatalErrorProgramName(kInstallWindowTitle);

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    if (!HasAdministratorRights()) {
        MessageBoxA(nullptr, "This program must be installed under an administrator account",
                    "Orvane Setup Error", MB_OK | MB_ICONERROR);
        return 0;
    }
    if (BroughtRunningWizardForward())
        return 0;
    StartSockets();

    wizard.icon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SETUP_PROGRAM));
    // The configuration dialog's help; not finding it is no error.
    if (SearchPathA(nullptr, "Orvane.hlp", nullptr, sizeof wizard.help_path, wizard.help_path,
                    nullptr) == 0) {
        wizard.help_path[0] = '\0';
    }

    HWND frame = CreateWizardFrame();
    if (frame == nullptr) {
        WSACleanup();
        return 0;
    }
    SendMessageA(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(wizard.icon));
    SendMessageA(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(wizard.icon));
    ShowWindow(frame, SW_SHOW);

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (WizardTakesMessage(&message))
            continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }

    DestroyWizard();
    WSACleanup();
    return 0;
}

}  // namespace

}  // namespace orvane

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    orvane::RestrictDllSearchToSystemFolder();
    orvane::RunSetup(instance);
    return 0;
}
