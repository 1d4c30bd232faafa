#include "setup/win32/installation.h"

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "logging/fatal_error.h"
#include "logging/log_writer.h"
#include "platform/file_system.h"
#include "platform/last_error.h"
#include "platform/shell_folder.h"
#include "platform/win32/file_identity.h"
#include "platform/win32/folder_security.h"
#include "platform/win32/restart_manager.h"
#include "platform/win32/shell_folders.h"
#include "platform/win32/wide_text.h"
#include "service/time_service_install.h"
#include "setup/finish_steps.h"
#include "setup/folder_permissions.h"
#include "setup/initial_settings.h"
#include "setup/install_paths.h"
#include "setup/pending_deletions.h"
#include "setup/setup_resource_ids.h"
#include "setup/win32/message_pump.h"
#include "setup/win32/setup_run.h"
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
// A service reports itself stopped a moment before its process ends and
// lets go of its program file.
constexpr DWORD kServiceReleaseWaitMilliseconds = 10000;
constexpr DWORD kServiceReleasePollMilliseconds = 250;

std::string FindProgramsFolder() {
    return ProgramsFolder(ShellFolderPath);
}

void CloseWindowsOfClass(const char* window_class) {
    HWND running = FindWindowW(Widen(window_class).c_str(), nullptr);
    if (running == nullptr)
        return;
    DWORD process_id = 0;
    GetWindowThreadProcessId(running, &process_id);
    HANDLE process = process_id != 0 ? OpenProcess(SYNCHRONIZE, FALSE, process_id) : nullptr;
    PostMessageW(running, WM_CLOSE, 0, 0);
    if (process == nullptr) {
        WaitPumpingMessages(nullptr, kCloseWaitMilliseconds);
        return;
    }
    // A fixed pause is not enough: the program file stays locked until the
    // process has ended, and its shutdown can take longer than the pause.
    WaitPumpingMessages(process, kProcessEndWaitMilliseconds);
    CloseHandle(process);
}

HWND ProgressPage() {
    return Wizard().pages[kProgressPage];
}

void ShowPaths(const std::string& source, const std::string& destination) {
    TheSetupRun().report.Step(source == "N/A" ? destination
                                              : "Copying " + QuotedPath(source) + " to " +
                                                    QuotedPath(destination));
    HWND page = ProgressPage();
    if (page == nullptr)
        return;  // quiet: no wizard
    SetDlgItemTextUtf8(page, IDC_SETUP_SOURCE_FILE, source);
    SetDlgItemTextUtf8(page, IDC_SETUP_DESTINATION_FILE, destination);
    // Nothing pumps messages while the installation runs: paint now.
    UpdateWindow(page);
}

void SetProgress(int position) {
    HWND bar = GetDlgItem(ProgressPage(), IDC_SETUP_PROGRESS_BAR);
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
    UpdateWindow(bar);
}

[[noreturn]] void ReportCopyFailure(const std::string& source, const std::string& destination) {
    const DWORD error = GetLastError();
    // Setup ends here: a service it stopped for the copy runs again.
    RestartTimeServiceStoppedForCopy();
    wchar_t text[kSystemTextCapacity + 1] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                                        text, kSystemTextCapacity, nullptr);
    if (length == 0) {
        ReportFatalError("FormatMessage() failed.  Error code " +
                         std::to_string(static_cast<int>(error)) + ".");
    }
    // The report appends the copy's own error, not whatever came after it.
    SetLastErrorCode(static_cast<int>(error));
    ReportFatalErrorWithCode(
        CopyFailureMessage(source, destination, Narrow(text, static_cast<int>(length))));
}

// The service program may still be held by its ending process: that copy
// is tried again for a while. The last error stays the last copy's.
bool CopyInstalledFile(const std::string& source, const std::string& destination,
                       bool held_by_service) {
    const DWORD started = GetTickCount();
    for (;;) {
        if (CopyFileW(Widen(source).c_str(), Widen(destination).c_str(), FALSE))
            return true;
        const DWORD error = GetLastError();
        if (!held_by_service || error != ERROR_SHARING_VIOLATION ||
            GetTickCount() - started >= kServiceReleaseWaitMilliseconds) {
            return false;
        }
        WaitPumpingMessages(nullptr, kServiceReleasePollMilliseconds);
    }
}

void CopyProgramFiles(const std::string& source_folder, const std::string& install_folder,
                      const std::vector<InstalledFile>& files) {
    // Setup started from the install folder itself, however either is
    // spelt: a copy onto itself would fail.
    const bool copy = !IsSameFileSystemItem(source_folder, install_folder);
    for (const InstalledFile& file : files) {
        if (copy) {
            const std::string source = PathInFolder(source_folder, file.name);
            const std::string destination = PathInFolder(install_folder, file.name);
            ShowPaths(source, destination);
            const bool service_program = std::string(file.name) == kTimeServiceProgramName;
            if (!CopyInstalledFile(source, destination, service_program)) {
                ReportCopyFailure(source, destination);
            }
        }
        SetProgress(file.progress);
    }
}

// Whether the folder lies in a Program Files folder, which hands its own
// protection down already.
bool IsInProgramFiles(const std::string& folder) {
    for (int csidl : {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILESX86}) {
        const std::string program_files = SpecialFolderPath(csidl);
        if (program_files.empty())
            continue;
        for (const std::string& outer : FolderChain(folder)) {
            if (IsSameFileSystemItem(outer, program_files))
                return true;
        }
    }
    return false;
}

// The files, folders and shortcuts an installation has just made.
std::vector<std::string> InstalledItems(const std::string& install_folder,
                                        const std::vector<InstalledFile>& files,
                                        const std::string& programs_folder,
                                        const std::string& startup_folder, bool program_group,
                                        bool start_at_logon) {
    std::vector<std::string> items = {install_folder};
    for (const InstalledFile& file : files)
        items.push_back(PathInFolder(install_folder, file.name));
    if (start_at_logon && !startup_folder.empty())
        items.push_back(PathInFolder(startup_folder, "Orvane.lnk"));
    if (program_group && !programs_folder.empty()) {
        const std::string group = PathInFolder(programs_folder, "Orvane");
        items.push_back(group);
        items.push_back(PathInFolder(group, "Orvane.lnk"));
        items.push_back(PathInFolder(group, "Uninstall.lnk"));
    }
    return items;
}

// An uninstallation before this one may have left their deletion for the
// next start, which would take the new installation with it.
void CancelPendingDeletionsOfInstalledItems(const std::vector<std::string>& items) {
    std::vector<std::wstring> wide_items;
    for (const std::string& item : items)
        wide_items.push_back(Widen(item));
    const int error = CancelPendingDeletionsOf([&wide_items](const std::u16string& path) {
        const std::wstring wide(path.begin(), path.end());
        for (const std::wstring& item : wide_items) {
            if (IsSameFileSystemItem(wide, item))
                return true;
        }
        return false;
    });
    // Said, since the next restart may then take the new installation.
    if (error != 0) {
        const std::string text =
            "Unable to check the deletions an earlier uninstallation may have left for the "
            "next restart.  Error code " +
            std::to_string(error) +
            ".  If Orvane was uninstalled since Windows last started, restart Windows, then "
            "run Setup again.";
        SetupFailure(text, MB_OK | MB_ICONWARNING);
    }
}

void ShortcutFailed(bool with_code) {
    std::string text = "Unable to create start menu shortcut.";
    if (with_code)
        text += "  Error code " + std::to_string(static_cast<int>(GetLastError())) + ".";
    SetupFailure(text, MB_OK);
}

void MakeShortcuts(const std::string& install_folder, const std::string& programs_folder,
                   const std::string& startup_folder, bool program_group, bool start_at_logon) {
    if (start_at_logon || program_group)
        TheSetupRun().report.Step("Shortcuts");
    const std::string target_folder = install_folder + "\\";
    if (start_at_logon) {
        const std::string link_folder = startup_folder + "\\";
        if (!CreateShellLink(target_folder.c_str(), "Orvane.exe", "Orvane", link_folder.c_str())) {
            ShortcutFailed(true);
        }
    }
    if (program_group) {
        // Earlier versions left their own startup link in the user's menu.
        DeleteFileW(
            Widen(SpecialFolderPath(CSIDL_STARTMENU) + "\\Programs\\Startup\\Orvane.lnk").c_str());
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

std::string FirstFolderUsersCanChange(const std::string& folder) {
    FolderSecuritySteps os;
    os.exists = [](const std::string& path) { return TheFileSystem().FolderExists(path); };
    os.read = ReadFolderAccess;
    os.token_sids = OwnTokenSids();
    return FirstChangeableFolder(folder, os);
}

// Installs and starts the service; a failure is told at once, while the
// user still sees the installation.
TimeServiceSetup InstallTimeServiceStep(const std::string& install_folder) {
    if (!SystemRunsTimeService())
        return TimeServiceSetup::kNotUsed;
    ShowPaths("N/A", kTimeServiceStepText);
    TimeServiceSetupResult outcome;
    RunPumpingMessages([&] { outcome = SetUpTimeService(install_folder); });
    SetProgress(kTimeServiceProgress);
    if (outcome.state == TimeServiceSetup::kFailed) {
        SetupFailure(TimeServiceFailureText(outcome.result, outcome.error), MB_OK | MB_ICONERROR);
    }
    return outcome.state;
}

}  // namespace

TimeServiceSetup RunInstallation(const std::string& install_folder, bool program_group,
                                 bool start_at_logon) {
    // Orvane in every session first; this session's window then still
    // closes where the Restart Manager is missing or fails.
    RunPumpingMessages(
        [&] { CloseProgramInEverySession(PathInFolder(install_folder, "Orvane.exe")); });
    CloseWindowsOfClass(kClockWindowClass);
    CloseWindowsOfClass(kEarlierClockWindowClass);
    RunPumpingMessages(StopTimeServiceBeforeCopy);

    const std::string source_folder = SourceFolderFromModulePath(OwnProgramPath());
    const std::string programs_folder = FindProgramsFolder();
    const std::string startup_folder = FindStartupFolder();
    const std::vector<InstalledFile> files = FilesToInstall(SystemRunsTimeService());

    CopyProgramFiles(source_folder, install_folder, files);

    ShowPaths("N/A", "Registry");
    WriteInitialSettingsAndSystemEntries(install_folder, start_at_logon);
    SetProgress(90);

    const TimeServiceSetup time_service = InstallTimeServiceStep(install_folder);

    MakeShortcuts(install_folder, programs_folder, startup_folder, program_group, start_at_logon);
    CancelPendingDeletionsOfInstalledItems(InstalledItems(
        install_folder, files, programs_folder, startup_folder, program_group, start_at_logon));
    SetProgress(100);
    return time_service;
}

bool CreateInstallFolder(const std::string& install_folder) {
    FolderMakingSteps os;
    os.exists = [](const std::string& folder) { return TheFileSystem().FolderExists(folder); };
    os.in_program_files = IsInProgramFiles;
    os.make_tree = CreateDirectoryTree;
    os.protect = ProtectLikeProgramFiles;
    os.remove = [](const std::string& folder) { RemoveDirectoryW(Widen(folder).c_str()); };
    const FolderProtectionFailure failure = MakeInstallFolder(install_folder, os);
    if (failure.error == 0)
        return true;
    SetupBox(FolderProtectionFailureText(failure), kSetupErrorCaption, MB_OK | MB_ICONERROR, IDOK);
    return false;
}

void RunFinishSteps(const std::string& install_folder, bool start_program,
                    TimeServiceSetup time_service) {
    bool handed_over = false;
    RunPumpingMessages(
        [time_service, &handed_over] { handed_over = HandOverWindowsTime(time_service); });
    if (handed_over)
        TheSetupRun().report.Step("Windows Time stopped and set to start on demand");
    StartInstalledProgram(install_folder, start_program);
}

std::string InstallFolderRefusal(const std::string& folder) {
    if (!IsCompleteFolderPath(folder))
        return kIncompleteFolderText;
    const std::string changeable = FirstFolderUsersCanChange(folder);
    return changeable.empty() ? std::string() : ChangeableFolderText(changeable);
}

void RunQuietInstallation() {
    SetupRun& run = TheSetupRun();
    const std::string folder = InstallFolderFromText(
        run.options.folder.empty() ? kDefaultSetupInstallFolder : run.options.folder);
    run.report.Step("Install folder: " + folder);
    const std::string refusal = InstallFolderRefusal(folder);
    if (!refusal.empty()) {
        SetupFailure(refusal, MB_OK | MB_ICONERROR);
        return;
    }
    if (!CreateInstallFolder(folder)) {
        run.report.Failure("The install folder was not made.", kSetupErrorCaption, MB_OK);
        return;
    }
    const TimeServiceSetup time_service =
        RunInstallation(folder, run.options.program_group, run.options.start_at_logon);
    // No one is signed in to start the program for: the Startup link
    // starts it at the next log-on.
    RunFinishSteps(folder, false, time_service);
    run.finished = true;
}

}  // namespace orvane
