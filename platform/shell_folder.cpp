#include "platform/shell_folder.h"

#include "platform/os_version.h"

namespace orvane {

std::string ProgramsFolder(const ShellFolderFinder& find) {
    if (IsNtPlatform())
        return find(ShellFolder::kCommonPrograms);
    const std::string start_menu = find(ShellFolder::kStartMenu);
    return start_menu.empty() ? std::string() : start_menu + "\\Programs";
}

std::string StartupFolder(const ShellFolderFinder& find) {
    return find(IsNtPlatform() ? ShellFolder::kCommonStartup : ShellFolder::kStartup);
}

}  // namespace orvane
