#include "uninstall/win32/uninstall_system_win32.h"

#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <vector>

#include "platform/win32/shell_folders.h"
#include "platform/win32/wide_text.h"
#include "ui/window_names.h"

namespace orvane {

namespace {

HWND FindProgramWindow() {
    return ::FindWindowW(Widen(kClockWindowClass).c_str(), nullptr);
}

}  // namespace

std::string Win32UninstallSystem::FindShellFolder(ShellFolder folder) {
    return ShellFolderPath(folder);
}

int Win32UninstallSystem::DeleteOneFile(const std::string& path) {
    return ::DeleteFileW(Widen(path).c_str()) ? 0 : static_cast<int>(::GetLastError());
}

int Win32UninstallSystem::RemoveFolder(const std::string& path) {
    return ::RemoveDirectoryW(Widen(path).c_str()) ? 0 : static_cast<int>(::GetLastError());
}

bool Win32UninstallSystem::DeleteAtRestart(const std::string& path) {
    if (::MoveFileExW(Widen(path).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) == 0)
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
    const std::wstring wide = Widen(path);
    // The first call gives the room needed, terminator included.
    const DWORD needed = ::GetShortPathNameW(wide.c_str(), nullptr, 0);
    if (needed == 0)
        return false;
    std::vector<wchar_t> buffer(needed);
    const DWORD length = ::GetShortPathNameW(wide.c_str(), buffer.data(), needed);
    if (length == 0 || length >= needed)
        return false;
    *short_path = Narrow(buffer.data(), static_cast<int>(length));
    return true;
}

bool Win32UninstallSystem::AppendText(const std::string& path, const std::string& text) {
    // Text mode: the lines end in CR LF, as the system reads them at start;
    // the system that reads it knows only its ANSI code page.
    std::FILE* file = ::_wfopen(Widen(path).c_str(), L"at");
    if (file == nullptr)
        return false;
    const bool written = std::fputs(ToAnsiCodePage(text).c_str(), file) >= 0;
    return std::fclose(file) == 0 && written;
}

bool Win32UninstallSystem::ProgramWindowExists() {
    return FindProgramWindow() != nullptr;
}

void Win32UninstallSystem::PostCloseToProgramWindow() {
    HWND window = FindProgramWindow();
    if (window != nullptr)
        ::PostMessageW(window, WM_CLOSE, 0, 0);
}

void Win32UninstallSystem::Sleep(int milliseconds) {
    ::Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace orvane
