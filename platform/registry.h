// The Windows registry as the core sees it: two hives (per user and per
// machine), keys opened by path, 32-bit numbers and texts. The programs
// install the real registry at start; unit tests install an in-memory one.
// Every operation returns 0 on success, else a Windows error code.
#pragma once

#include "platform/interface_slot.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/os_errors.h"

namespace orvane {

enum class RegistryScope {
    kUser,     // HKEY_CURRENT_USER
    kMachine,  // HKEY_LOCAL_MACHINE
};

enum class RegistryMode {
    kRead,   // KEY_READ
    kWrite,  // KEY_ALL_ACCESS
};

// An open key; kNoRegistryKey when none.
using RegistryKey = std::uintptr_t;
constexpr RegistryKey kNoRegistryKey = 0;

// Windows error codes the registry reports besides 2 and 5.

// Value types, numbered as Windows numbers them.
constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegBinary = 3;
constexpr std::uint32_t kRegDword = 4;
constexpr std::uint32_t kRegMultiSz = 7;

class Registry {
  public:
    virtual ~Registry() = default;

    // Opens `path` (backslash-separated, relative to the scope's hive).
    // When the key does not exist (error 2) and `create_if_missing` is set,
    // creates it with the same access; any other open error is returned.
    virtual int OpenKey(RegistryScope scope, const char* path, RegistryMode mode,
                        bool create_if_missing, RegistryKey* key) = 0;
    // Reads up to 4 bytes of any type over the field's bytes; the field is
    // left as it was on any failure, including data longer than 4 bytes
    // (234).
    virtual int ReadNumber(RegistryKey key, const char* name, std::int32_t* field) = 0;
    // Reads at most `capacity` bytes, terminator included, into `field`.
    // On success the field holds a zero-terminated text; on any failure,
    // including data longer than the capacity (234), it is left as it was.
    virtual int ReadText(RegistryKey key, const char* name, char* field, int capacity) = 0;
    // REG_DWORD, 4 bytes.
    virtual int WriteNumber(RegistryKey key, const char* name, std::int32_t value) = 0;
    // REG_SZ, the text and its terminator. An empty name is the key's
    // default value.
    virtual int WriteText(RegistryKey key, const char* name, const char* text) = 0;
    // REG_MULTI_SZ as the system keeps it: UTF-16 code units, every
    // terminator included, so texts of any language pass unchanged. A
    // value of another type is refused with 13.
    virtual int ReadWideMultiText(RegistryKey key, const char* name, std::u16string* data) = 0;
    virtual int WriteWideMultiText(RegistryKey key, const char* name,
                                   const std::u16string& data) = 0;
    // The value's type (kRegDword, kRegSz, ...), for readers that must not
    // take a value of another type for theirs.
    virtual int ReadValueType(RegistryKey key, const char* name, std::uint32_t* type) = 0;
    virtual int DeleteValue(RegistryKey key, const char* name) = 0;
    // Deletes the sub-key `subkey` of an open key; it must have no sub-keys
    // of its own.
    virtual int DeleteKey(RegistryKey parent, const char* subkey) = 0;
    virtual int CloseKey(RegistryKey key) = 0;
    // REG_BINARY. A value of another type is refused with 13, one longer
    // than `max_bytes` with 234; `data` is left as it was on any failure.
    virtual int ReadBinary(RegistryKey key, const char* name, std::size_t max_bytes,
                           std::vector<std::uint8_t>* data) = 0;
    virtual int WriteBinary(RegistryKey key, const char* name,
                            const std::vector<std::uint8_t>& data) = 0;
};

inline InterfaceSlot<Registry> installed_registry{"registry"};
inline void UseRegistry(Registry* implementation) {
    installed_registry.Install(implementation);
}
inline Registry& TheRegistry() {
    return installed_registry.Get();
}

// Completes a text read of `size` bytes into a buffer of `capacity` bytes:
// data without a terminator gets one when there is room, and is refused
// (false) when there is not, so a field always ends up terminated.
inline bool TerminateTextRead(char* buffer, std::uint32_t size, int capacity) {
    for (std::uint32_t i = 0; i < size; ++i) {
        if (buffer[i] == '\0')
            return true;
    }
    if (size >= static_cast<std::uint32_t>(capacity))
        return false;
    buffer[size] = '\0';
    return true;
}

}  // namespace orvane
