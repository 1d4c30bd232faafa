// The real Windows registry.
#pragma once

#include "platform/registry.h"

namespace orvane {

class Win32Registry : public Registry {
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
    int ReadBinary(RegistryKey key, const char* name, std::size_t max_bytes,
                   std::vector<std::uint8_t>* data) override;
    int WriteBinary(RegistryKey key, const char* name,
                    const std::vector<std::uint8_t>& data) override;
};

}  // namespace orvane
