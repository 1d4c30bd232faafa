#include "platform/win32/shell_folders.h"

#include "platform/win32/wide_text.h"

namespace orvane {

std::string SpecialFolderPath(int csidl) {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || item == nullptr)
        return std::string();
    return TakeItemPath(item);
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

std::string TakeItemPath(LPITEMIDLIST item) {
    // MAX_PATH units, as the call requires; the W call keeps a user's
    // folder names whatever the ANSI code page.
    wchar_t path[MAX_PATH] = {};
    const bool found = SHGetPathFromIDListW(item, path) != FALSE;
    // The shell hands items out from the COM task allocator.
    CoTaskMemFree(item);
    return found ? Narrow(path, MAX_PATH) : std::string();
}

}  // namespace orvane
