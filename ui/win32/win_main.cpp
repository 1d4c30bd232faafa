#include "ui/win32/win_main.h"

#include <winsock2.h>
#include <windows.h>
#include <commctrl.h>

#include "dialup/win32/dialup_win32.h"
#include "engine/engine.h"
#include "engine/update_scheduler.h"
#include "logging/error_window.h"
#include "logging/fatal_error.h"
#include "logging/log_cleanup.h"
#include "platform/win32/install_win32.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"
#include "ui/resource_ids.h"
#include "ui/win32/clock_window.h"
#include "ui/win32/configuration_dialog.h"
#include "ui/win32/error_window_dialog.h"
#include "ui/win32/help_viewer.h"
#include "ui/win32/tray_menu.h"
#include "ui/win32/ui_state.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

// From the build, which keeps the one version text Setup also writes.
constexpr char kProgramVersion[] = ORVANE_VERSION_TEXT;

enum class StartOutcome { kContinue, kAnotherCopyRunning };

// The real OS behind every module's interface, then this program's own
// windows behind the engine's and the error window's; never destroyed.
void InstallPlatform() {
    InstallWin32Platform("Orvane");
    UseErrorWindowSink(new Win32ErrorWindowSink);
    UseEngineUiSink(new Win32EngineUiSink);
    InstallWin32Dialup();
}

void StartSockets() {
    WSADATA data;
    if (WSAStartup(0x0101, &data) != 0)
        ReportFatalErrorWithCode("Winsock v1.01 not found");
    if (LOBYTE(data.wVersion) != 1 || HIBYTE(data.wVersion) != 1) {
        ReportFatalErrorWithCode("Winsock v1.01 not found");
    }
}

void FindHelpFile() {
    UiState& ui = Ui();
    wchar_t path[kHelpPathCapacity] = {};
    const DWORD length = SearchPathW(nullptr, Widen(kHelpFileName).c_str(), nullptr,
                                     kHelpPathCapacity, path, nullptr);
    if (length == 0 || length >= static_cast<DWORD>(kHelpPathCapacity)) {
        ui.help_path.clear();
        AppendToErrorWindow("Unable to find help Orvane.hlp");
        return;
    }
    ui.help_path = Narrow(path);
}

StartOutcome StartUp(HINSTANCE instance) {
    UiState& ui = Ui();
    ui.instance = instance;
    ui.ui_thread_id = GetCurrentThreadId();

    HWND running = FindWindowW(Widen(kClockWindowClass).c_str(), nullptr);
    if (running != nullptr) {
        // A copy hidden in the tray shows its clock first: bringing forward
        // a hidden window would show nothing.
        DWORD_PTR answer = 0;
        SendMessageTimeoutW(running, ShowClockMessage(), 0, 0, SMTO_ABORTIFHUNG, 5000, &answer);
        SetForegroundWindow(running);
        return StartOutcome::kAnotherCopyRunning;
    }
    InstallPlatform();
    INITCOMMONCONTROLSEX controls = {sizeof controls,
                                     ICC_STANDARD_CLASSES | ICC_TAB_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);

    StartSockets();
    ui.version = kProgramVersion;
    FindHelpFile();
    UpdateSettings([](SettingsRecord& live) { LoadSettings(live); });
    RefreshPolicySettings();
    StartLogCleanup();
    StartEngine();
    CreateWindows();
    // Messages that arrived before there was a window to show them in.
    ShowPendingErrorMessages();
    StartUpdateThread();
    return StartOutcome::kContinue;
}

bool IsKeyDown(int key) {
    return (GetAsyncKeyState(key) & 0x8000) != 0;
}

void HandleConfigurationDialogKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN)
        return;
    HWND dialog = ConfigurationDialogHandle();
    if (msg.wParam == VK_TAB) {
        if (!IsKeyDown(VK_CONTROL))
            return;
        const int page =
            IsKeyDown(VK_SHIFT) ? IDC_CONFIGURATION_PREVIOUS_PAGE : IDC_CONFIGURATION_NEXT_PAGE;
        SendMessageW(dialog, WM_COMMAND, page, 0);
    } else if (msg.wParam == VK_F12) {
        WriteConfigurationDumpFromDialog();
    }
}

bool TakenByDialog(HWND dialog, MSG& msg) {
    return dialog != nullptr && IsDialogMessageW(dialog, &msg);
}

void RunMessageLoop() {
    UiState& ui = Ui();
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (TakenByDialog(ui.configuration_dialog.load(), msg)) {
            HandleConfigurationDialogKey(msg);
            continue;
        }
        if (TakenByDialog(ui.error_window.load(), msg))
            continue;
        if (TakenByDialog(ui.status_dialog.load(), msg))
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

void Shutdown() {
    static bool done = false;
    if (done)
        return;
    done = true;

    StopUpdateThread();
    ShowHelp(Ui().clock_window.load(), Ui().help_path.c_str(), HELP_QUIT, 0);
    RemoveNotificationIcon();
    DestroyClockWindow();
    StopEngine();
    StopLogCleanup();
    // Without the policy's values: they are never the machine's own.
    SaveSettings(StoredSettings());
    WSACleanup();
}

}  // namespace orvane

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    orvane::RestrictDllSearchToSystemFolder();
    if (orvane::StartUp(instance) == orvane::StartOutcome::kAnotherCopyRunning)
        return 0;
    orvane::RunMessageLoop();
    orvane::Shutdown();
    return 0;
}
