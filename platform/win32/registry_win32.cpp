#include "platform/win32/registry_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/clock_types.h"
#include "platform/unicode_text.h"
#include "platform/win32/wide_text.h"

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

// Key paths and value names in UTF-16 for the W calls; no name is the
// key's default value, as an empty one is.
std::wstring WideName(const char* name) {
    return name == nullptr ? std::wstring() : Widen(name);
}

}  // namespace

int Win32Registry::OpenKey(RegistryScope scope, const char* path, RegistryMode mode,
                           bool create_if_missing, RegistryKey* key) {
    if (key == nullptr || path == nullptr)
        return kErrorInvalidParameter;
    *key = kNoRegistryKey;
    HKEY handle = nullptr;
    const std::wstring wide_path = Widen(path);
    LONG result = ::RegOpenKeyExW(Hive(scope), wide_path.c_str(), 0, Access(mode), &handle);
    if (result == ERROR_FILE_NOT_FOUND && create_if_missing) {
        result = ::RegCreateKeyExW(Hive(scope), wide_path.c_str(), 0, nullptr, 0, Access(mode),
                                   nullptr, &handle, nullptr);
    }
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    *key = reinterpret_cast<RegistryKey>(handle);
    return kErrorSuccess;
}

int Win32Registry::ReadNumber(RegistryKey key, const char* name, std::int32_t* field) {
    if (field == nullptr)
        return kErrorInvalidParameter;
    // Room for a text of four ANSI bytes with its terminator in UTF-16;
    // anything longer cannot be a number of 4 bytes either way.
    BYTE data[5 * sizeof(wchar_t)] = {};
    DWORD type = REG_NONE;
    DWORD size = sizeof data;
    LONG result =
        ::RegQueryValueExW(Handle(key), WideName(name).c_str(), nullptr, &type, data, &size);
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    std::string bytes(reinterpret_cast<const char*>(data), size);
    if (type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ) {
        // Earlier versions read a text under a number's name as its ANSI
        // bytes (what the A call hands over); stored settings keep that.
        const int units = static_cast<int>(size / sizeof(wchar_t));
        char ansi[16] = {};
        const int length = ::WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(data),
                                                 units, ansi, sizeof ansi, nullptr, nullptr);
        bytes.assign(ansi, length > 0 ? static_cast<std::size_t>(length) : 0);
    }
    if (bytes.size() > sizeof(std::int32_t))
        return kErrorMoreData;
    // Only the value's own bytes change, as with a query straight into the
    // field.
    std::memcpy(field, bytes.data(), bytes.size());
    return kErrorSuccess;
}

int Win32Registry::ReadText(RegistryKey key, const char* name, int max_units, std::string* text) {
    if (text == nullptr || max_units <= 0)
        return kErrorInvalidParameter;
    // The W call hands over what the system keeps, so a text written by
    // any program in any language arrives whole; the limit is in units.
    std::vector<char16_t> buffer(static_cast<std::size_t>(max_units));
    DWORD size = static_cast<DWORD>(buffer.size() * sizeof(char16_t));
    LONG result = ::RegQueryValueExW(Handle(key), WideName(name).c_str(), nullptr, nullptr,
                                     reinterpret_cast<BYTE*>(buffer.data()), &size);
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    std::size_t length = 0;
    if (!TerminatedLength(buffer.data(), size / sizeof(char16_t), buffer.size(), &length))
        return kErrorMoreData;
    *text = Utf16ToUtf8(std::u16string(buffer.data(), length));
    return kErrorSuccess;
}

int Win32Registry::WriteNumber(RegistryKey key, const char* name, std::int32_t value) {
    DWORD data = static_cast<DWORD>(value);
    return static_cast<int>(::RegSetValueExW(Handle(key), WideName(name).c_str(), 0, REG_DWORD,
                                             reinterpret_cast<const BYTE*>(&data), sizeof data));
}

int Win32Registry::WriteText(RegistryKey key, const char* name, const char* text) {
    if (text == nullptr)
        return kErrorInvalidParameter;
    const std::wstring wide = Widen(text);
    const DWORD size = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    return static_cast<int>(::RegSetValueExW(Handle(key), WideName(name).c_str(), 0, REG_SZ,
                                             reinterpret_cast<const BYTE*>(wide.c_str()), size));
}

int Win32Registry::ReadWideMultiText(RegistryKey key, const char* name, std::u16string* data) {
    if (data == nullptr)
        return kErrorInvalidParameter;
    const std::wstring wide_name = WideName(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG result =
        ::RegQueryValueExW(Handle(key), wide_name.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    if (type != REG_MULTI_SZ)
        return kErrorInvalidData;
    // The value may grow between the two calls: ask until it fits.
    for (;;) {
        std::vector<BYTE> bytes(size + sizeof(char16_t));
        DWORD got = size;
        result =
            ::RegQueryValueExW(Handle(key), wide_name.c_str(), nullptr, &type, bytes.data(), &got);
        if (result == ERROR_MORE_DATA) {
            size = got;
            continue;
        }
        if (result != ERROR_SUCCESS)
            return static_cast<int>(result);
        data->assign(reinterpret_cast<const char16_t*>(bytes.data()), got / sizeof(char16_t));
        return kErrorSuccess;
    }
}

int Win32Registry::WriteWideMultiText(RegistryKey key, const char* name,
                                      const std::u16string& data) {
    const std::wstring wide_name = WideName(name);
    return static_cast<int>(::RegSetValueExW(Handle(key), wide_name.c_str(), 0, REG_MULTI_SZ,
                                             reinterpret_cast<const BYTE*>(data.data()),
                                             static_cast<DWORD>(data.size() * sizeof(char16_t))));
}

int Win32Registry::ReadValueType(RegistryKey key, const char* name, std::uint32_t* type) {
    if (type == nullptr)
        return kErrorInvalidParameter;
    DWORD found = REG_NONE;
    const LONG result = ::RegQueryValueExW(Handle(key), WideName(name).c_str(), nullptr, &found, nullptr, nullptr);
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    *type = found;
    return kErrorSuccess;
}

int Win32Registry::DeleteValue(RegistryKey key, const char* name) {
    return static_cast<int>(::RegDeleteValueW(Handle(key), WideName(name).c_str()));
}

int Win32Registry::DeleteKey(RegistryKey parent, const char* subkey) {
    if (subkey == nullptr)
        return kErrorInvalidParameter;
    return static_cast<int>(::RegDeleteKeyW(Handle(parent), Widen(subkey).c_str()));
}

int Win32Registry::CloseKey(RegistryKey key) {
    return static_cast<int>(::RegCloseKey(Handle(key)));
}

int Win32Registry::ReadBinary(RegistryKey key, const char* name, std::size_t max_bytes,
                              std::vector<std::uint8_t>* data) {
    if (data == nullptr)
        return kErrorInvalidParameter;
    const std::wstring wide_name = WideName(name);
    DWORD type = 0;
    DWORD size = 0;
    LONG result = ::RegQueryValueExW(Handle(key), wide_name.c_str(), nullptr, &type, nullptr, &size);
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    if (type != REG_BINARY)
        return kErrorInvalidData;
    if (size > max_bytes)
        return kErrorMoreData;
    // One byte more than allowed shows a value that grew in between.
    std::vector<std::uint8_t> bytes(max_bytes + 1);
    DWORD got = static_cast<DWORD>(bytes.size());
    result = ::RegQueryValueExW(Handle(key), wide_name.c_str(), nullptr, &type, bytes.data(), &got);
    if (result != ERROR_SUCCESS)
        return static_cast<int>(result);
    if (type != REG_BINARY)
        return kErrorInvalidData;
    if (got > max_bytes)
        return kErrorMoreData;
    bytes.resize(got);
    *data = std::move(bytes);
    return kErrorSuccess;
}

int Win32Registry::WriteBinary(RegistryKey key, const char* name,
                               const std::vector<std::uint8_t>& data) {
    return static_cast<int>(::RegSetValueExW(Handle(key), WideName(name).c_str(), 0, REG_BINARY, data.data(),
                                             static_cast<DWORD>(data.size())));
}

}  // namespace orvane
