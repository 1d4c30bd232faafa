#include "uninstall/removal_rules.h"

#include "platform/os_version.h"
#include "uninstall/uninstall_system.h"

namespace orvane {

namespace {

enum class Removal { kFile, kFolder };

// Windows 95/98/ME: the section header goes in on every call, so the file
// may hold several; the entry only when the path still has a short form,
// which it has only while it exists.
void AppendWininitEntry(UninstallSystem& system, const std::string& path, const char* entry) {
    std::string text = "[rename]\n";
    std::string short_path;
    if (system.GetShortPath(path, &short_path))
        text += std::string(entry) + short_path + "\n";
    system.AppendText(kWininitPath, text);
}

void Remove(const std::string& path, Removal kind) {
    UninstallSystem& system = TheUninstallSystem();
    if (kind == Removal::kFile) {
        system.DeleteOneFile(path);
    } else {
        system.RemoveFolder(path);
    }
    if (IsNtPlatform()) {
        // Also after a successful deletion: whatever is still there (a file
        // in use, a folder not yet empty) goes at the next restart.
        system.DeleteAtRestart(path);
    } else {
        AppendWininitEntry(system, path, kind == Removal::kFile ? "NUL=" : "DIRNUL=");
    }
}

}  // namespace

void RemoveFileByRule(const std::string& path) {
    Remove(path, Removal::kFile);
}

void RemoveFolderByRule(const std::string& path) {
    Remove(path, Removal::kFolder);
}

}  // namespace orvane
