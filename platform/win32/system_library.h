// Libraries of Windows itself, loaded from the system folder only: a file
// of the same name planted beside a program (which Setup and Uninstall run
// as administrator) must never be loaded in their place.
#pragma once

#include <windows.h>

namespace orvane {

// Takes the program's own folder and the current folder out of the search
// for libraries loaded later by name: the system folder only where Windows
// allows that (SetDefaultDllDirectories), else at least not the current
// folder (SetDllDirectoryW(L"")). First thing at start-up.
void RestrictDllSearchToSystemFolder();

// Loads `file_name` (e.g. "rasapi32.dll") from the system folder; null when
// it is not there or cannot be loaded.
HMODULE LoadSystemLibrary(const char* file_name);

// A function of a system module the program has loaded already (user32,
// kernel32, comctl32), looked up rather than imported so that a Windows
// without it still starts the program; null when it is not there.
FARPROC LoadedModuleFunction(const wchar_t* module_name, const char* function_name);

}  // namespace orvane
