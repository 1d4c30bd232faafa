#include "platform/win32/system_library.h"

#include <string>

#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

// Windows 7 and Vista know LOAD_LIBRARY_SEARCH_* only with the update that
// also brought these functions, so their presence tells whether the flags
// work.
bool SearchFlagsSupported() {
    return LoadedModuleFunction(L"kernel32.dll", "AddDllDirectory") != nullptr;
}

}  // namespace

FARPROC LoadedModuleFunction(const wchar_t* module_name, const char* function_name) {
    // Already loaded: no search for a file takes place.
    HMODULE module = GetModuleHandleW(module_name);
    return module == nullptr ? nullptr : GetProcAddress(module, function_name);
}

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    const auto set_default = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(LoadedModuleFunction(L"kernel32.dll", "SetDefaultDllDirectories")));
    if (set_default != nullptr && set_default(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const char* file_name) {
    if (SearchFlagsSupported())
        return LoadLibraryExW(Widen(file_name).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    const std::wstring path = std::wstring(folder, length) + L"\\" + Widen(file_name);
    // A full path: the library's own dependencies are then looked for in
    // its folder first, not the program's.
    return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace orvane
