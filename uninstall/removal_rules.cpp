#include "uninstall/removal_rules.h"

#include "platform/os_errors.h"
#include "platform/os_version.h"
#include "uninstall/uninstall_system.h"

namespace orvane {

namespace {

enum class Removal { kFile, kFolder };

// Windows 95/98/ME take the short form of the path, which exists only
// while the item does.
bool AppendWininitEntry(UninstallSystem& system, const std::string& path, const char* entry) {
    std::string short_path;
    if (!system.GetShortPath(path, &short_path))
        return false;
    return system.AppendText(kWininitPath, "[rename]\n" + std::string(entry) + short_path + "\n");
}

RemovalOutcome Remove(const std::string& path, Removal kind) {
    UninstallSystem& system = TheUninstallSystem();
    const int error =
        kind == Removal::kFile ? system.DeleteOneFile(path) : system.RemoveFolder(path);
    if (error == kErrorSuccess)
        return RemovalOutcome::kRemoved;
    if (error == kErrorFileNotFound || error == kErrorPathNotFound)
        return RemovalOutcome::kAbsent;
    bool scheduled = false;
    if (IsNtPlatform()) {
        scheduled = system.DeleteAtRestart(path);
    } else {
        scheduled = AppendWininitEntry(system, path, kind == Removal::kFile ? "NUL=" : "DIRNUL=");
    }
    return scheduled ? RemovalOutcome::kScheduled : RemovalOutcome::kFailed;
}

}  // namespace

RemovalOutcome RemoveFileByRule(const std::string& path) {
    return Remove(path, Removal::kFile);
}

RemovalOutcome RemoveFolderByRule(const std::string& path) {
    return Remove(path, Removal::kFolder);
}

}  // namespace orvane
