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
    // Reads a text of at most `max_units` UTF-16 units, terminator
    // included (Windows' limits count those), as UTF-8 up to its first
    // terminator. On any failure, including data longer than the limit
    // (234), `text` is left as it was.
    virtual int ReadText(RegistryKey key, const char* name, int max_units, std::string* text) = 0;
    // REG_DWORD, 4 bytes.
    virtual int WriteNumber(RegistryKey key, const char* name, std::int32_t value) = 0;
    // REG_SZ, the UTF-8 text and its terminator as the system keeps them
    // (UTF-16). An empty name is the key's default value. Key paths and
    // value names are UTF-8 too.
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

// Completes a text read of `size` units (data of any type read as text
// may lack its terminator): the text up to the first terminator, or all of
// it when there is none and room for one within `capacity` units. False
// when there is no such room, so a text within the limit always fits its
// terminator.
inline bool TerminatedLength(const char16_t* units, std::size_t size, std::size_t capacity,
                             std::size_t* length) {
    for (std::size_t i = 0; i < size; ++i) {
        if (units[i] == u'\0') {
            *length = i;
            return true;
        }
    }
    if (size >= capacity)
        return false;
    *length = size;
    return true;
}

}  // namespace orvane
