// Setup's and Uninstall's unattended runs, for the end-to-end tests:
//   installer_probe hold FILE       takes the installers' lock, prints
//                                   "held", keeps it until FILE exists
//   installer_probe watch COMMAND   runs the command line and, until it
//                                   ends, looks for visible top-level
//                                   windows of its process every 20 ms
// Output of watch: "windows=N", "titles=..." and "exit=CODE".
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win32/installer_lock.h"
#include "setup/command_line.h"

using namespace orvane;

namespace {

struct Watch {
    DWORD process_id = 0;
    int windows = 0;
    std::string titles;
};

BOOL CALLBACK LookAtWindow(HWND window, LPARAM watch_pointer) {
    Watch& watch = *reinterpret_cast<Watch*>(watch_pointer);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != watch.process_id || !IsWindowVisible(window))
        return TRUE;
    char title[256] = {};
    GetWindowTextA(window, title, sizeof title);
    ++watch.windows;
    watch.titles += std::string("[") + title + "]";
    return TRUE;
}

int Hold(const char* release_file) {
    if (TakeInstallerLock(kInstallerMutexName) != InstallerLock::kTaken) {
        std::printf("not held\n");
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    while (GetFileAttributesA(release_file) == INVALID_FILE_ATTRIBUTES)
        Sleep(50);
    return 0;
}

int WatchCommand(const char* command_line) {
    std::string line = command_line;
    STARTUPINFOA startup = {sizeof startup};
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::printf("error=%lu\n", GetLastError());
        return 1;
    }
    Watch watch;
    watch.process_id = process.dwProcessId;
    do {
        EnumWindows(LookAtWindow, reinterpret_cast<LPARAM>(&watch));
    } while (WaitForSingleObject(process.hProcess, 20) == WAIT_TIMEOUT);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    std::printf("windows=%d\ntitles=%s\nexit=%lu\n", watch.windows, watch.titles.c_str(), code);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "hold") == 0)
        return Hold(argv[2]);
    if (argc == 3 && std::strcmp(argv[1], "watch") == 0)
        return WatchCommand(argv[2]);
    std::printf("usage: installer_probe hold FILE | watch COMMAND\n");
    return 2;
}
