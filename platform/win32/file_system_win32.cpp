#include "platform/win32/file_system_win32.h"

#include <windows.h>

#include <algorithm>
#include <string>

#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

std::uint64_t Combine(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

}  // namespace

int Win32FileSystem::MakeDirectory(const std::string& path) {
    if (::CreateDirectoryW(Widen(path).c_str(), nullptr))
        return 0;
    return static_cast<int>(::GetLastError());
}

bool Win32FileSystem::FolderExists(const std::string& path) {
    DWORD attributes = ::GetFileAttributesW(Widen(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool Win32FileSystem::AppendToFile(const std::string& path, const std::string& text) {
    // Append-only access: every write lands at the end, even with another
    // program writing the same file. Others may read and write meanwhile,
    // as with the C runtime's "at".
    // Text for people, read with the system's ANSI code page as earlier
    // versions wrote it (UTF-8 itself where that is the code page).
    const std::string bytes = ToAnsiCodePage(text);
    HANDLE file = ::CreateFileW(Widen(path).c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
            ok = false;
            break;
        }
        done += written;
    }
    if (!ok) {
        DWORD code = ::GetLastError();
        ::CloseHandle(file);
        ::SetLastError(code);
        return false;
    }
    return ::CloseHandle(file) != 0;
}

std::vector<FileEntry> Win32FileSystem::ListFiles(const std::string& pattern) {
    std::vector<FileEntry> files;
    WIN32_FIND_DATAW data;
    HANDLE find = ::FindFirstFileW(Widen(pattern).c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
            continue;
        FileEntry entry;
        entry.name = Narrow(data.cFileName, MAX_PATH);
        entry.size = Combine(data.nFileSizeHigh, data.nFileSizeLow);
        entry.creation_time.value =
            Combine(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime);
        files.push_back(entry);
    } while (::FindNextFileW(find, &data));
    ::FindClose(find);
    return files;
}

int Win32FileSystem::RemoveFile(const std::string& path) {
    if (::DeleteFileW(Widen(path).c_str()))
        return 0;
    return static_cast<int>(::GetLastError());
}

}  // namespace orvane
