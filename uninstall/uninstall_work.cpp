#include "uninstall/uninstall_work.h"

#include <cstdint>

#include "platform/os_version.h"
#include "platform/registry.h"
#include "service/service_start_type.h"
#include "settings/settings_store.h"
#include "uninstall/removal_rules.h"

namespace orvane {

namespace {

constexpr int kCloseWaits = 3;
constexpr int kCloseWaitMilliseconds = 1000;

// Opens the parent with full access, creating it when missing as Setup
// would, and removes the sub-key; failures are of no consequence.
void DeleteMachineSubKey(const char* parent_path, const char* subkey) {
    Registry& registry = TheRegistry();
    RegistryKey parent = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, parent_path, RegistryMode::kWrite, true,
                         &parent) != 0) {
        return;
    }
    registry.DeleteKey(parent, subkey);
    registry.CloseKey(parent);
}

// The settings stay for a later installation; only the mark goes.
void MarkNotInstalled() {
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, uninstall::kProductKey, RegistryMode::kWrite,
                         false, &key) != 0) {
        return;
    }
    registry.WriteNumber(key, uninstall::kInstalledValue, 0);
    registry.CloseKey(key);
}

void RestoreWindowsTime() {
    if (IsKestrineInstalled())
        return;  // it keeps the service as it wants it
    int major = 0;
    int minor = 0;
    int build = 0;
    if (GetOsVersion(&major, &minor, &build) != 1)
        return;
    if (!HandsOverWindowsTime(major, minor))
        return;
    SetServiceStartType(kWindowsTimeServiceName, 1);
}

// The shortcuts Setup made. A folder the shell cannot name is skipped:
// the bare names would point at the root of the current drive.
void RemoveShortcuts() {
    const std::string startup = FindInstalledStartupFolder();
    if (!startup.empty())
        RemoveFileByRule(startup + "\\Orvane.lnk");
    const std::string programs = FindInstalledProgramsFolder();
    if (programs.empty())
        return;
    RemoveFileByRule(programs + "\\Orvane\\Orvane.lnk");
    RemoveFileByRule(programs + "\\Orvane\\Uninstall.lnk");
    RemoveFolderByRule(programs + "\\Orvane");
}

}  // namespace

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
    UninstallSystem& system = TheUninstallSystem();
    if (IsNtPlatform())
        return system.FindShellFolder(ShellFolder::kCommonPrograms);
    const std::string start_menu = system.FindShellFolder(ShellFolder::kStartMenu);
    return start_menu.empty() ? std::string() : start_menu + "\\Programs";
}

std::string FindInstalledStartupFolder() {
    UninstallSystem& system = TheUninstallSystem();
    return system.FindShellFolder(IsNtPlatform() ? ShellFolder::kCommonStartup
                                                 : ShellFolder::kStartup);
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

    view.SetLabel("Deleting Orvane.exe");
    RemoveFileByRule(folder + "\\Orvane.exe");
    view.SetPosition(10);

    view.SetLabel("Deleting Orvane Event Log Interface.dll");
    RemoveFileByRule(folder + "\\Orvane Event Log Interface.dll");
    view.SetPosition(40);

    view.SetLabel("Deleting Orvane.hlp");
    RemoveFileByRule(folder + "\\Orvane.hlp");
    view.SetPosition(50);

    // This program itself: in practice its deletion waits for the restart.
    view.SetLabel("Deleting Uninstall.exe");
    RemoveFileByRule(folder + "\\Uninstall.exe");
    view.SetPosition(50);

    RemoveFolderByRule(folder);
    view.SetPosition(50);

    RemoveShortcuts();

    DeleteMachineSubKey(uninstall::kAppPathsKey, "Orvane.exe");
    view.SetPosition(60);
    DeleteMachineSubKey(uninstall::kUninstallKey, "Orvane");

    MarkNotInstalled();
    RestoreWindowsTime();

    view.SetLabel("Uninstallation successful");
    view.SetPosition(100);
    view.EnableClose();
}

}  // namespace orvane
