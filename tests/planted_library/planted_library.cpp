// Loaded into a process, appends that process's program path to
// C:\orvane-planted-marker.txt. Kernel32 only: this runs inside DllMain.
#include <windows.h>

namespace {

constexpr char kMarkerPath[] = "C:\\orvane-planted-marker.txt";

void WriteMarker() {
    char line[MAX_PATH + 2] = {};
    DWORD length = GetModuleFileNameA(nullptr, line, MAX_PATH);
    line[length++] = '\r';
    line[length++] = '\n';
    HANDLE file = CreateFileA(kMarkerPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, length, &written, nullptr);
    CloseHandle(file);
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        WriteMarker();
    return TRUE;
}
