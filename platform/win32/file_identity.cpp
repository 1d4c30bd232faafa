#include "platform/win32/file_identity.h"

#include <windows.h>

#include <vector>

#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

struct ItemIdentity {
    DWORD volume = 0;
    DWORD index_high = 0;
    DWORD index_low = 0;
};

// Asks for no access at all, and shares everything: a file in use still
// tells who it is. Folders open only with the backup-semantics flag.
bool Identify(const std::wstring& path, ItemIdentity* identity) {
    HANDLE item =
        CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (item == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information = {};
    const bool known = GetFileInformationByHandle(item, &information) != FALSE;
    CloseHandle(item);
    identity->volume = information.dwVolumeSerialNumber;
    identity->index_high = information.nFileIndexHigh;
    identity->index_low = information.nFileIndexLow;
    return known;
}

std::wstring Expanded(const std::wstring& path, DWORD(WINAPI* expand)(LPCWSTR, LPWSTR, DWORD)) {
    std::vector<wchar_t> buffer(MAX_PATH);
    for (int tries = 0; tries < 2; ++tries) {
        const DWORD length = expand(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return path;
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
    return path;
}

DWORD WINAPI FullPath(LPCWSTR path, LPWSTR buffer, DWORD size) {
    return GetFullPathNameW(path, size, buffer, nullptr);
}

// Full, long (where it exists) and without a closing backslash, except
// for a drive's root.
std::wstring NormalPath(const std::wstring& path) {
    std::wstring normal = Expanded(Expanded(path, FullPath), GetLongPathNameW);
    while (normal.size() > 3 && normal.back() == L'\\')
        normal.pop_back();
    return normal;
}

}  // namespace

bool IsSameFileSystemItem(const std::wstring& first, const std::wstring& second) {
    ItemIdentity a;
    ItemIdentity b;
    if (Identify(first, &a) && Identify(second, &b)) {
        return a.volume == b.volume && a.index_high == b.index_high && a.index_low == b.index_low;
    }
    const std::wstring x = NormalPath(first);
    const std::wstring y = NormalPath(second);
    return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(),
                                static_cast<int>(y.size()), TRUE) == CSTR_EQUAL;
}

bool IsSameFileSystemItem(const std::string& first, const std::string& second) {
    return IsSameFileSystemItem(WidePath(first), WidePath(second));
}

std::wstring WidePath(const std::string& path) {
    return Widen(path);
}

}  // namespace orvane
