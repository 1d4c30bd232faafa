#include "uninstall/uninstall_work.h"

#include <cstdint>
#include <vector>

#include "platform/os_errors.h"
#include "platform/os_version.h"
#include "platform/registry.h"
#include "service/service_start_type.h"
#include "service/time_service_install.h"
#include "settings/settings_store.h"
#include "uninstall/removal_rules.h"

namespace orvane {

namespace {

constexpr int kCloseWaits = 3;
constexpr int kCloseWaitMilliseconds = 1000;
constexpr char kMachineHive[] = "HKEY_LOCAL_MACHINE\\";

// What could neither be removed nor scheduled for removal, in order.
using Leftovers = std::vector<std::string>;

void RemoveFile(const std::string& path, Leftovers& left) {
    if (RemoveFileByRule(path) == RemovalOutcome::kFailed)
        left.push_back(path);
}

void RemoveFolder(const std::string& path, Leftovers& left) {
    if (RemoveFolderByRule(path) == RemovalOutcome::kFailed)
        left.push_back(path);
}

// Opens the parent with full access, creating it when missing as Setup
// would, and removes the sub-key; a sub-key that is not there is no
// failure.
void DeleteMachineSubKey(const char* parent_path, const char* subkey, Leftovers& left) {
    Registry& registry = TheRegistry();
    RegistryKey parent = kNoRegistryKey;
    int error =
        registry.OpenKey(RegistryScope::kMachine, parent_path, RegistryMode::kWrite, true, &parent);
    if (error == 0) {
        error = registry.DeleteKey(parent, subkey);
        registry.CloseKey(parent);
    }
    if (error != 0 && error != kErrorFileNotFound)
        left.push_back(std::string(kMachineHive) + parent_path + "\\" + subkey);
}

// The settings stay for a later installation; only the mark goes. No
// product key: nothing is marked.
void MarkNotInstalled(Leftovers& left) {
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    int error = registry.OpenKey(RegistryScope::kMachine, uninstall::kProductKey,
                                 RegistryMode::kWrite, false, &key);
    if (error == kErrorFileNotFound)
        return;
    if (error == 0) {
        error = registry.WriteNumber(key, uninstall::kInstalledValue, 0);
        registry.CloseKey(key);
    }
    if (error != 0) {
        left.push_back(std::string(kMachineHive) + uninstall::kProductKey + ": \"" +
                       uninstall::kInstalledValue + "\" mark");
    }
}

// Stopped and deleted before its program goes; one that is not there is
// no failure.
void RemoveOrvaneTimeService(Leftovers& left) {
    int error = 0;
    const int result = RemoveTimeService(&error);
    if (result != kServiceRemoveDone && result != kServiceRemoveNotInstalled)
        left.push_back(TimeServiceLeftover(error));
}

// `record`: what Setup found before it handed Windows Time over; null for
// an installation older than that record.
void RestoreWindowsTime(const WindowsTimeRecord* record, Leftovers& left) {
    if (IsKestrineInstalled())
        return;  // it keeps the service as it wants it
    int major = 0;
    int minor = 0;
    int build = 0;
    if (GetOsVersion(&major, &minor, &build) != 1)
        return;
    if (!HandsOverWindowsTime(major, minor))
        return;
    for (const std::string& item : GiveWindowsTimeBack(record))
        left.push_back(item);
}

// The shortcuts Setup made. A folder the shell cannot name is skipped:
// the bare names would point at the root of the current drive.
void RemoveShortcuts(Leftovers& left) {
    const std::string startup = FindInstalledStartupFolder();
    if (!startup.empty())
        RemoveFile(startup + "\\Orvane.lnk", left);
    const std::string programs = FindInstalledProgramsFolder();
    if (programs.empty())
        return;
    RemoveFile(programs + "\\Orvane\\Orvane.lnk", left);
    RemoveFile(programs + "\\Orvane\\Uninstall.lnk", left);
    RemoveFolder(programs + "\\Orvane", left);
}

std::string FindInstalledShellFolder(ShellFolder folder) {
    return TheUninstallSystem().FindShellFolder(folder);
}

}  // namespace

std::string TimeServiceLeftover(int error) {
    return std::string(kTimeServiceDisplayName) + " (" + kTimeServiceName + "), error code " +
           std::to_string(error);
}

std::string IncompleteUninstallText(const std::vector<std::string>& leftovers) {
    std::string text = std::string(kUninstallIncomplete) +
                       "\n\nThese items could neither be removed nor scheduled for removal:";
    for (const std::string& item : leftovers)
        text += "\n" + item;
    return text;
}

void CloseOrvaneBeforeUninstall() {
    UninstallSystem& system = TheUninstallSystem();
    if (!system.ProgramWindowExists())
        return;
    system.PostCloseToProgramWindow();
    for (int i = 0; i < kCloseWaits && system.ProgramWindowExists(); ++i) {
        system.Sleep(kCloseWaitMilliseconds);
    }
}

std::string FindInstalledProgramsFolder() {
    return ProgramsFolder(FindInstalledShellFolder);
}

std::string FindInstalledStartupFolder() {
    return StartupFolder(FindInstalledShellFolder);
}

bool IsKestrineInstalled() {
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, uninstall::kKestrineKey, RegistryMode::kRead,
                         false, &key) != 0) {
        return false;
    }
    std::int32_t installed = 0;
    const bool read = registry.ReadNumber(key, uninstall::kInstalledValue, &installed) == 0;
    registry.CloseKey(key);
    return read && installed == 1;
}

void RunUninstallWork(UninstallProgressView& view) {
    CloseOrvaneBeforeUninstall();
    const std::string folder = ReadInstallFolder();
    // Read before the Uninstall entry that holds it goes.
    WindowsTimeRecord time_record;
    const bool recorded = ReadWindowsTimeRecord(
        (std::string(uninstall::kUninstallKey) + "\\Orvane").c_str(), &time_record);
    Leftovers left;
    // Only where Windows runs the service did Setup install it.
    const bool time_service = SystemRunsTimeService();

    if (time_service) {
        view.SetLabel(kRemovingTimeServiceLabel);
        RemoveOrvaneTimeService(left);
        view.SetPosition(5);
    }

    view.SetLabel("Deleting Orvane.exe");
    RemoveFile(folder + "\\Orvane.exe", left);
    view.SetPosition(10);

    view.SetLabel("Deleting Orvane Event Log Interface.dll");
    RemoveFile(folder + "\\Orvane Event Log Interface.dll", left);
    view.SetPosition(40);

    view.SetLabel("Deleting Orvane.hlp");
    RemoveFile(folder + "\\Orvane.hlp", left);
    view.SetPosition(50);

    // After the other files, which gives the stopped service's process
    // time to end and let go of its program.
    if (time_service) {
        view.SetLabel(std::string("Deleting ") + kTimeServiceProgramName);
        RemoveFile(folder + "\\" + kTimeServiceProgramName, left);
        view.SetPosition(50);
    }

    // This program itself: in practice its deletion waits for the restart.
    view.SetLabel("Deleting Uninstall.exe");
    RemoveFile(folder + "\\Uninstall.exe", left);
    view.SetPosition(50);

    RemoveFolder(folder, left);
    view.SetPosition(50);

    RemoveShortcuts(left);

    DeleteMachineSubKey(uninstall::kAppPathsKey, "Orvane.exe", left);
    view.SetPosition(60);
    DeleteMachineSubKey(uninstall::kUninstallKey, "Orvane", left);
    DeleteMachineSubKey(uninstall::kEventLogApplicationKey, kTimeServiceEventSourceName, left);

    MarkNotInstalled(left);
    RestoreWindowsTime(recorded ? &time_record : nullptr, left);

    if (left.empty()) {
        view.SetLabel(kUninstallSuccessful);
    } else {
        view.SetLabel(kUninstallIncomplete);
    }
    view.SetPosition(100);
    view.EnableClose();
    if (!left.empty())
        view.ReportIncomplete(IncompleteUninstallText(left));
}

}  // namespace orvane
