#include "uninstall/win32/uninstall_system_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>

#include "platform/win32/shell_folders.h"
#include "ui/window_names.h"

namespace orvane {

namespace {

constexpr DWORD kPathCapacity = MAX_PATH;

}  // namespace

std::string Win32UninstallSystem::FindShellFolder(ShellFolder folder) {
    return ShellFolderPath(folder);
}

int Win32UninstallSystem::DeleteOneFile(const std::string& path) {
    return ::DeleteFileA(path.c_str()) ? 0 : static_cast<int>(::GetLastError());
}

int Win32UninstallSystem::RemoveFolder(const std::string& path) {
    return ::RemoveDirectoryA(path.c_str()) ? 0 : static_cast<int>(::GetLastError());
}

bool Win32UninstallSystem::DeleteAtRestart(const std::string& path) {
    if (::MoveFileExA(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) == 0)
        return false;
    std::lock_guard<std::mutex> lock(scheduled_mutex_);
    scheduled_.push_back(path);
    return true;
}

std::vector<std::string> Win32UninstallSystem::ScheduledForRestart() {
    std::lock_guard<std::mutex> lock(scheduled_mutex_);
    return scheduled_;
}

bool Win32UninstallSystem::GetShortPath(const std::string& path, std::string* short_path) {
    char buffer[kPathCapacity] = {};
    const DWORD length = ::GetShortPathNameA(path.c_str(), buffer, kPathCapacity);
    if (length == 0 || length >= kPathCapacity)
        return false;
    *short_path = buffer;
    return true;
}

bool Win32UninstallSystem::AppendText(const std::string& path, const std::string& text) {
    // Text mode: the lines end in CR LF, as the system reads them at start.
    std::FILE* file = std::fopen(path.c_str(), "at");
    if (file == nullptr)
        return false;
    const bool written = std::fputs(text.c_str(), file) >= 0;
    return std::fclose(file) == 0 && written;
}

bool Win32UninstallSystem::ProgramWindowExists() {
    return ::FindWindowA(kClockWindowClass, nullptr) != nullptr;
}

void Win32UninstallSystem::PostCloseToProgramWindow() {
    HWND window = ::FindWindowA(kClockWindowClass, nullptr);
    if (window != nullptr)
        ::PostMessageA(window, WM_CLOSE, 0, 0);
}

void Win32UninstallSystem::Sleep(int milliseconds) {
    ::Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace orvane
