#include "platform/win32/shell_folders.h"

namespace orvane {

std::string SpecialFolderPath(int csidl) {
    LPITEMIDLIST item = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &item)) || item == nullptr)
        return std::string();
    char path[MAX_PATH] = {};
    return TakeItemPath(item, path) ? std::string(path) : std::string();
}

bool TakeItemPath(LPITEMIDLIST item, char* path) {
    const bool found = SHGetPathFromIDListA(item, path) != FALSE;
    // The shell hands items out from the COM task allocator.
    CoTaskMemFree(item);
    return found;
}

}  // namespace orvane
