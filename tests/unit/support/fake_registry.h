// An in-memory registry for unit tests: two scopes, key paths and value
// names matched without regard to case, values kept with their type and
// raw bytes, and the registry's answers for missing, oversized and
// mistyped values.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace orvane {

struct FakeRegistryValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;
};

class FakeRegistry : public Registry {
  public:
    int OpenKey(RegistryScope scope, const char* path, RegistryMode mode, bool create_if_missing,
                RegistryKey* key) override;
    int ReadNumber(RegistryKey key, const char* name, std::int32_t* field) override;
    int ReadText(RegistryKey key, const char* name, int max_units, std::string* text) override;
    int WriteNumber(RegistryKey key, const char* name, std::int32_t value) override;
    int WriteText(RegistryKey key, const char* name, const char* text) override;
    int ReadWideMultiText(RegistryKey key, const char* name, std::u16string* data) override;
    int WriteWideMultiText(RegistryKey key, const char* name, const std::u16string& data) override;
    int ReadValueType(RegistryKey key, const char* name, std::uint32_t* type) override;
    int DeleteValue(RegistryKey key, const char* name) override;
    int DeleteKey(RegistryKey parent, const char* subkey) override;
    int CloseKey(RegistryKey key) override;
    // Logged as "read binary <name>" and "write binary <name>".
    int ReadBinary(RegistryKey key, const char* name, std::size_t max_bytes,
                   std::vector<std::uint8_t>* data) override;
    int WriteBinary(RegistryKey key, const char* name,
                    const std::vector<std::uint8_t>& data) override;

    // Test controls: values put in and looked at directly, bypassing the
    // log. Setting a value creates its key.
    void PutNumber(RegistryScope scope, const std::string& path, const std::string& name,
                   std::int32_t value);
    // REG_MULTI_SZ of UTF-16 code units, exactly as given.
    void PutWideMultiText(RegistryScope scope, const std::string& path, const std::string& name,
                          const std::u16string& data);
    // REG_SZ with the text and its terminator.
    void PutText(RegistryScope scope, const std::string& path, const std::string& name,
                 const std::string& text);
    void PutRaw(RegistryScope scope, const std::string& path, const std::string& name,
                std::uint32_t type, const std::vector<std::uint8_t>& data);
    void CreateKey(RegistryScope scope, const std::string& path);

    bool HasKey(RegistryScope scope, const std::string& path) const;
    std::optional<FakeRegistryValue> Value(RegistryScope scope, const std::string& path,
                                           const std::string& name) const;
    // The value when it is a REG_DWORD.
    std::optional<std::int32_t> Number(RegistryScope scope, const std::string& path,
                                       const std::string& name) const;
    // The value's text up to its first zero when it is a REG_SZ.
    std::optional<std::string> Text(RegistryScope scope, const std::string& path,
                                    const std::string& name) const;
    // The value's code units when it is a REG_MULTI_SZ.
    std::optional<std::u16string> WideMultiText(RegistryScope scope, const std::string& path,
                                                const std::string& name) const;
    // Value names as first spelled when written, in that order.
    std::vector<std::string> ValueNames(RegistryScope scope, const std::string& path) const;

    // Opening any key of the scope for writing fails with 5, as the machine
    // hive does for a user without administrator rights; creation fails too.
    void DenyWrite(RegistryScope scope, bool deny);
    // Writing this value name (any key, any case) fails with 5.
    void FailWritesOf(const std::string& name);

    // One line per operation, in order:
    //   "open user read <path>", "create machine <path>", "close",
    //   "read number <name>", "read text <name> <max units>",
    //   "write number <name>", "write text <name>",
    //   "read wide multi text <name>", "write wide multi text <name>",
    //   "read value type <name>", "delete value <name>", "delete key <subkey>".
    // A failed open is logged with " failed <code>" appended.
    std::vector<std::string> log() const;
    void ClearLog();
    // Keys opened and not yet closed.
    int open_keys() const;

  private:
    struct NamedValue {
        std::string name;  // as first written
        FakeRegistryValue value;
    };
    struct Key {
        std::vector<NamedValue> values;
    };
    struct Handle {
        RegistryScope scope;
        std::string path;  // folded
        RegistryMode mode;
    };
    using KeyId = std::pair<int, std::string>;  // scope, folded path

    static KeyId Id(RegistryScope scope, const std::string& path);
    void CreateKeyLocked(const KeyId& id);
    Key* FindKeyLocked(const KeyId& id);
    const Key* FindKeyLocked(const KeyId& id) const;
    const NamedValue* FindValueLocked(const KeyId& id, const std::string& name) const;
    void PutLocked(const KeyId& id, const std::string& name, FakeRegistryValue value);
    // The open key behind a handle, or an error code.
    int Resolve(RegistryKey key, const Handle** handle, Key** stored);
    // The named value under an open key: null with the error code when the
    // handle or the value is not there.
    const NamedValue* FindOpenValueLocked(RegistryKey key, const char* name, int* result);
    int Read(RegistryKey key, const char* name, char* field, std::uint32_t capacity);
    int Write(RegistryKey key, const char* name, FakeRegistryValue value, const char* what);

    mutable std::mutex mutex_;
    std::map<KeyId, Key> keys_;
    std::map<RegistryKey, Handle> handles_;
    RegistryKey next_handle_ = 0x100;
    bool write_denied_[2] = {false, false};
    std::vector<std::string> failing_writes_;  // folded
    std::vector<std::string> log_;
};

}  // namespace orvane
