#include "setup/win32/installation.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include "logging/fatal_error.h"
#include "logging/log_writer.h"
#include "platform/last_error.h"
#include "platform/os_version.h"
#include "platform/win32/shell_folders.h"
#include "setup/initial_settings.h"
#include "setup/install_paths.h"
#include "service/service_start_type.h"
#include "setup/setup_resource_ids.h"
#include "setup/win32/wizard_state.h"
#include "ui/win32/shell_link.h"
#include "ui/window_names.h"

namespace orvane {

namespace {

constexpr DWORD kCloseWaitMilliseconds = 3000;
// How long a closing program's process is given to end, so that its file
// can be replaced; its window goes well before the process does.
constexpr DWORD kProcessEndWaitMilliseconds = 10000;
constexpr DWORD kSystemTextCapacity = 9999;
constexpr char kSetupErrorCaption[] = "Orvane Setup Error";

std::string FindProgramsFolder() {
    if (IsNtPlatform())
        return SpecialFolderPath(CSIDL_COMMON_PROGRAMS);
    return SpecialFolderPath(CSIDL_STARTMENU) + "\\Programs";
}

void CloseWindowsOfClass(const char* window_class) {
    HWND running = FindWindowA(window_class, nullptr);
    if (running == nullptr)
        return;
    DWORD process_id = 0;
    GetWindowThreadProcessId(running, &process_id);
    HANDLE process = process_id != 0 ? OpenProcess(SYNCHRONIZE, FALSE, process_id) : nullptr;
    PostMessageA(running, WM_CLOSE, 0, 0);
    if (process == nullptr) {
        Sleep(kCloseWaitMilliseconds);
        return;
    }
    // A fixed pause is not enough: the program file stays locked until the
    // process has ended, and its shutdown can take longer than the pause.
    WaitForSingleObject(process, kProcessEndWaitMilliseconds);
    CloseHandle(process);
}

HWND ProgressPage() {
    return Wizard().pages[kProgressPage];
}

void ShowPaths(const std::string& source, const std::string& destination) {
    HWND page = ProgressPage();
    SetDlgItemTextA(page, IDC_SETUP_SOURCE_FILE, source.c_str());
    SetDlgItemTextA(page, IDC_SETUP_DESTINATION_FILE, destination.c_str());
    // Nothing pumps messages while the installation runs: paint now.
    UpdateWindow(page);
}

void SetProgress(int position) {
    HWND bar = GetDlgItem(ProgressPage(), IDC_SETUP_PROGRESS_BAR);
    SendMessageA(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    UpdateWindow(bar);
}

[[noreturn]] void ReportCopyFailure(const std::string& source, const std::string& destination) {
    const DWORD error = GetLastError();
    char text[kSystemTextCapacity + 1] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        text, kSystemTextCapacity, nullptr);
    if (length == 0) {
        ReportFatalError("FormatMessage() failed.  Error code " +
                         std::to_string(static_cast<int>(error)) + ".");
    }
    // The report appends the copy's own error, not whatever came after it.
    SetLastErrorCode(static_cast<int>(error));
    ReportFatalErrorWithCode(CopyFailureMessage(source, destination, text));
}

void CopyProgramFiles(const std::string& source_folder, const std::string& install_folder) {
    const bool copy = !IsSameFolder(source_folder, install_folder);
    for (const InstalledFile& file : kInstalledFiles) {
        if (copy) {
            const std::string source = PathInFolder(source_folder, file.name);
            const std::string destination = PathInFolder(install_folder, file.name);
            ShowPaths(source, destination);
            if (!CopyFileA(source.c_str(), destination.c_str(), FALSE)) {
                ReportCopyFailure(source, destination);
            }
        }
        SetProgress(file.progress);
    }
}

void ShortcutFailed(bool with_code) {
    std::string text = "Unable to create start menu shortcut.";
    if (with_code)
        text += "  Error code " + std::to_string(static_cast<int>(GetLastError())) + ".";
    MessageBoxA(Wizard().frame, text.c_str(), kSetupErrorCaption, MB_OK);
}

void MakeShortcuts(const std::string& install_folder, const std::string& programs_folder,
                   const std::string& startup_folder, bool program_group, bool start_at_logon) {
    const std::string target_folder = install_folder + "\\";
    if (start_at_logon) {
        const std::string link_folder = startup_folder + "\\";
        if (!CreateShellLink(target_folder.c_str(), "Orvane.exe", "Orvane", link_folder.c_str())) {
            ShortcutFailed(true);
        }
    }
    if (program_group) {
        // Earlier versions left their own startup link in the user's menu.
        DeleteFileA(
            (SpecialFolderPath(CSIDL_STARTMENU) + "\\Programs\\Startup\\Orvane.lnk").c_str());
        const std::string group = PathInFolder(programs_folder, "Orvane");
        CreateDirectoryTree(group);
        const std::string link_folder = group + "\\";
        if (!CreateShellLink(target_folder.c_str(), "Orvane.exe", "Orvane", link_folder.c_str())) {
            ShortcutFailed(false);
        }
        if (!CreateShellLink(target_folder.c_str(), "Uninstall.exe", "Uninstall",
                             link_folder.c_str())) {
            ShortcutFailed(true);
        }
    }
}

}  // namespace

void RunInstallation(const std::string& install_folder, bool program_group, bool start_at_logon) {
    CloseWindowsOfClass(kClockWindowClass);
    CloseWindowsOfClass(kEarlierClockWindowClass);

    char module_path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, module_path, sizeof module_path);
    const std::string source_folder = SourceFolderFromModulePath(module_path);
    const std::string programs_folder = FindProgramsFolder();
    const std::string startup_folder = FindStartupFolder();

    CopyProgramFiles(source_folder, install_folder);

    ShowPaths("N/A", "Registry");
    WriteInitialSettingsAndSystemEntries(install_folder, start_at_logon);
    SetProgress(90);

    MakeShortcuts(install_folder, programs_folder, startup_folder, program_group, start_at_logon);
    SetProgress(100);
}

void RunFinishSteps(const std::string& install_folder, bool start_program) {
    int major = 0;
    int minor = 0;
    int build = 0;
    if (GetOsVersion(&major, &minor, &build) == 1 && HandsOverWindowsTime(major, minor)) {
        StopService(kWindowsTimeServiceName);
        SetServiceStartType(kWindowsTimeServiceName, 0);
    }
    if (!start_program)
        return;
    std::string program = PathInFolder(install_folder, "Orvane.exe");
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(program.c_str(), nullptr, nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                       "c:\\", &startup, &process)) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
}

}  // namespace orvane
