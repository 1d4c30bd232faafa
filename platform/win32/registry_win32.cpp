#include "platform/win32/registry_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/clock_types.h"

namespace orvane {

namespace {

// A 64-bit program sees the registry's native 64-bit view, the same one
// the `reg` tool and other 64-bit programs see, so no view flag is passed.
HKEY Hive(RegistryScope scope) {
    return scope == RegistryScope::kUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

REGSAM Access(RegistryMode mode) {
    return mode == RegistryMode::kRead ? KEY_READ : KEY_ALL_ACCESS;
}

HKEY Handle(RegistryKey key) {
    return reinterpret_cast<HKEY>(key);
}

}  // namespace

int Win32Registry::OpenKey(RegistryScope scope, const char* path, RegistryMode mode,
                           bool create_if_missing, RegistryKey* key) {
    if (key == nullptr || path == nullptr)
        return kErrorInvalidParameter;
    *key = kNoRegistryKey;
    HKEY handle = nullptr;
    LONG result = ::RegOpenKeyExA(Hive(scope), path, 0, Access(mode), &handle);
    if (result == ERROR_FILE_NOT_FOUND && create_if_missing) {
        result = ::RegCreateKeyExA(Hive(scope), path, 0, nullptr, 0, Access(mode), nullptr, &handle,
                                   nullptr);
    }
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    *key = reinterpret_cast<RegistryKey>(handle);
    return kErrorSuccess;
}

int Win32Registry::ReadNumber(RegistryKey key, const char* name, std::int32_t* field) {
    if (field == nullptr)
        return kErrorInvalidParameter;
    // Query into a copy: Windows may scribble on the buffer when the data
    // does not fit, and the field must then keep its value. Starting from
    // the field's bytes keeps the effect of a shorter value the same as a
    // query straight into the field.
    std::int32_t buffer = *field;
    DWORD size = sizeof buffer;
    LONG result = ::RegQueryValueExA(Handle(key), name, nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(&buffer), &size);
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    *field = buffer;
    return kErrorSuccess;
}

int Win32Registry::ReadText(RegistryKey key, const char* name, char* field, int capacity) {
    if (field == nullptr || capacity <= 0)
        return kErrorInvalidParameter;
    std::vector<char> buffer(field, field + capacity);
    DWORD size = static_cast<DWORD>(capacity);
    LONG result = ::RegQueryValueExA(Handle(key), name, nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    if (!TerminateTextRead(buffer.data(), size, capacity))
        return kErrorMoreData;
    std::memcpy(field, buffer.data(), static_cast<std::size_t>(capacity));
    return kErrorSuccess;
}

int Win32Registry::WriteNumber(RegistryKey key, const char* name, std::int32_t value) {
    DWORD data = static_cast<DWORD>(value);
    return static_cast<int>(::RegSetValueExA(Handle(key), name, 0, REG_DWORD,
                                             reinterpret_cast<const BYTE*>(&data), sizeof data));
}

int Win32Registry::WriteText(RegistryKey key, const char* name, const char* text) {
    if (text == nullptr)
        return kErrorInvalidParameter;
    DWORD size = static_cast<DWORD>(std::strlen(text) + 1);
    return static_cast<int>(
        ::RegSetValueExA(Handle(key), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size));
}

int Win32Registry::DeleteValue(RegistryKey key, const char* name) {
    return static_cast<int>(::RegDeleteValueA(Handle(key), name));
}

int Win32Registry::DeleteKey(RegistryKey parent, const char* subkey) {
    if (subkey == nullptr)
        return kErrorInvalidParameter;
    return static_cast<int>(::RegDeleteKeyA(Handle(parent), subkey));
}

int Win32Registry::CloseKey(RegistryKey key) {
    return static_cast<int>(::RegCloseKey(Handle(key)));
}

}  // namespace orvane
