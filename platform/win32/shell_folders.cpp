#include "platform/win32/shell_folders.h"

namespace orvane {

std::string SpecialFolderPath(int csidl) {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || item == nullptr)
        return std::string();
    char path[MAX_PATH] = {};
    return TakeItemPath(item, path) ? std::string(path) : std::string();
}

namespace {

int FolderId(ShellFolder folder) {
    switch (folder) {
        case ShellFolder::kCommonPrograms:
            return CSIDL_COMMON_PROGRAMS;
        case ShellFolder::kStartMenu:
            return CSIDL_STARTMENU;
        case ShellFolder::kCommonStartup:
            return CSIDL_COMMON_STARTUP;
        case ShellFolder::kStartup:
            return CSIDL_STARTUP;
    }
    return CSIDL_STARTUP;
}

}  // namespace

std::string ShellFolderPath(ShellFolder folder) {
    return SpecialFolderPath(FolderId(folder));
}

bool TakeItemPath(LPITEMIDLIST item, char* path) {
    const bool found = SHGetPathFromIDListA(item, path) != FALSE;
    // The shell hands items out from the COM task allocator.
    CoTaskMemFree(item);
    return found;
}

}  // namespace orvane
