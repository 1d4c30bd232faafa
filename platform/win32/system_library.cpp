#include "platform/win32/system_library.h"

#include <string>

namespace orvane {

namespace {

// Windows 7 and Vista know LOAD_LIBRARY_SEARCH_* only with the update that
// also brought these functions, so their presence tells whether the flags
// work.
FARPROC Kernel32Function(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel == nullptr ? nullptr : GetProcAddress(kernel, name);
}

bool SearchFlagsSupported() {
    return Kernel32Function("AddDllDirectory") != nullptr;
}

}  // namespace

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(Kernel32Function("SetDefaultDllDirectories")));
    if (set_default != nullptr && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    SetDllDirectoryA("");
}

HMODULE LoadSystemLibrary(const char* file_name) {
    if (SearchFlagsSupported())
        return LoadLibraryExA(file_name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    char folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::string path = std::string(folder) + "\\" + file_name;
    // A full path: the library's own dependencies are then looked for in
    // its folder first, not the program's.
    return LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace orvane
