#include "support/fake_registry.h"

#include <algorithm>
#include <cstring>

#include "platform/clock_types.h"
#include "platform/unicode_text.h"

namespace orvane {

namespace {

constexpr int kErrorKeyDeleted = 1018;

std::string Fold(const std::string& text) {
    std::string folded = text;
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return folded;
}

const char* ScopeName(RegistryScope scope) {
    return scope == RegistryScope::kUser ? "user" : "machine";
}

std::string NameOf(const char* name) {
    return name == nullptr ? std::string() : name;
}

}  // namespace

FakeRegistry::KeyId FakeRegistry::Id(RegistryScope scope, const std::string& path) {
    return {static_cast<int>(scope), Fold(path)};
}

void FakeRegistry::CreateKeyLocked(const KeyId& id) {
    // Like the registry, creating a key creates the keys above it.
    std::size_t from = 0;
    for (;;) {
        std::size_t end = id.second.find('\\', from);
        if (end == std::string::npos)
            break;
        if (end > 0)
            keys_[{id.first, id.second.substr(0, end)}];
        from = end + 1;
    }
    keys_[id];
}

FakeRegistry::Key* FakeRegistry::FindKeyLocked(const KeyId& id) {
    auto it = keys_.find(id);
    return it == keys_.end() ? nullptr : &it->second;
}

const FakeRegistry::Key* FakeRegistry::FindKeyLocked(const KeyId& id) const {
    auto it = keys_.find(id);
    return it == keys_.end() ? nullptr : &it->second;
}

const FakeRegistry::NamedValue* FakeRegistry::FindValueLocked(const KeyId& id,
                                                              const std::string& name) const {
    const Key* key = FindKeyLocked(id);
    if (key == nullptr)
        return nullptr;
    const std::string folded = Fold(name);
    for (const NamedValue& v : key->values) {
        if (Fold(v.name) == folded)
            return &v;
    }
    return nullptr;
}

void FakeRegistry::PutLocked(const KeyId& id, const std::string& name, FakeRegistryValue value) {
    CreateKeyLocked(id);
    Key& key = keys_[id];
    const std::string folded = Fold(name);
    for (NamedValue& v : key.values) {
        if (Fold(v.name) == folded) {
            // The registry keeps the spelling the value was created with.
            v.value = std::move(value);
            return;
        }
    }
    key.values.push_back({name, std::move(value)});
}

int FakeRegistry::Resolve(RegistryKey key, const Handle** handle, Key** stored) {
    auto it = handles_.find(key);
    if (it == handles_.end())
        return kErrorInvalidHandle;
    *handle = &it->second;
    *stored = FindKeyLocked({static_cast<int>(it->second.scope), it->second.path});
    return *stored == nullptr ? kErrorKeyDeleted : kErrorSuccess;
}

int FakeRegistry::OpenKey(RegistryScope scope, const char* path, RegistryMode mode,
                          bool create_if_missing, RegistryKey* key) {
    if (key == nullptr || path == nullptr)
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    *key = kNoRegistryKey;
    const KeyId id = Id(scope, path);
    std::string line = std::string("open ") + ScopeName(scope) +
                       (mode == RegistryMode::kRead ? " read " : " write ") + path;
    const bool denied = mode == RegistryMode::kWrite && write_denied_[id.first];
    int result = kErrorSuccess;
    if (FindKeyLocked(id) == nullptr) {
        result = kErrorFileNotFound;
        if (create_if_missing) {
            log_.push_back(std::string("create ") + ScopeName(scope) + " " + path);
            result = denied ? kErrorAccessDenied : kErrorSuccess;
            if (result == kErrorSuccess)
                CreateKeyLocked(id);
        }
    } else if (denied) {
        result = kErrorAccessDenied;
    }
    if (result != kErrorSuccess) {
        log_.push_back(line + " failed " + std::to_string(result));
        return result;
    }
    log_.push_back(line);
    *key = next_handle_++;
    handles_[*key] = Handle{scope, id.second, mode};
    return kErrorSuccess;
}

const FakeRegistry::NamedValue* FakeRegistry::FindOpenValueLocked(RegistryKey key,
                                                                 const char* name, int* result) {
    const Handle* handle = nullptr;
    Key* stored = nullptr;
    *result = Resolve(key, &handle, &stored);
    if (*result != kErrorSuccess)
        return nullptr;
    const NamedValue* value =
        FindValueLocked({static_cast<int>(handle->scope), handle->path}, NameOf(name));
    if (value == nullptr)
        *result = kErrorFileNotFound;
    return value;
}

int FakeRegistry::Read(RegistryKey key, const char* name, char* field, std::uint32_t capacity) {
    int result = kErrorSuccess;
    const NamedValue* value = FindOpenValueLocked(key, name, &result);
    if (value == nullptr)
        return result;
    const std::vector<std::uint8_t>& data = value->value.data;
    if (data.size() > capacity)
        return kErrorMoreData;
    // Only the value's bytes land in the field; the rest keeps its bytes.
    std::vector<char> buffer(field, field + capacity);
    if (!data.empty())
        std::memcpy(buffer.data(), data.data(), data.size());
    std::memcpy(field, buffer.data(), capacity);
    return kErrorSuccess;
}

int FakeRegistry::ReadNumber(RegistryKey key, const char* name, std::int32_t* field) {
    if (field == nullptr)
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back("read number " + NameOf(name));
    char bytes[4];
    std::memcpy(bytes, field, sizeof bytes);
    int result = Read(key, name, bytes, sizeof bytes);
    if (result == kErrorSuccess)
        std::memcpy(field, bytes, sizeof bytes);
    return result;
}

int FakeRegistry::ReadText(RegistryKey key, const char* name, int max_units, std::string* text) {
    if (text == nullptr || max_units <= 0)
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back("read text " + NameOf(name) + " " + std::to_string(max_units));
    int result = kErrorSuccess;
    const NamedValue* value = FindOpenValueLocked(key, name, &result);
    if (value == nullptr)
        return result;
    // Windows keeps texts as UTF-16 and counts the limit in those units.
    const std::vector<std::uint8_t>& data = value->value.data;
    const std::u16string units = Utf8ToUtf16(std::string(data.begin(), data.end()));
    const std::size_t capacity = static_cast<std::size_t>(max_units);
    std::size_t length = 0;
    if (units.size() > capacity || !TerminatedLength(units.data(), units.size(), capacity, &length))
        return kErrorMoreData;
    *text = Utf16ToUtf8(units.substr(0, length));
    return kErrorSuccess;
}

int FakeRegistry::Write(RegistryKey key, const char* name, FakeRegistryValue value,
                        const char* what) {
    log_.push_back(std::string("write ") + what + " " + NameOf(name));
    const Handle* handle = nullptr;
    Key* stored = nullptr;
    int result = Resolve(key, &handle, &stored);
    if (result != kErrorSuccess)
        return result;
    if (handle->mode != RegistryMode::kWrite)
        return kErrorAccessDenied;
    const std::string folded = Fold(NameOf(name));
    if (std::find(failing_writes_.begin(), failing_writes_.end(), folded) !=
        failing_writes_.end()) {
        return kErrorAccessDenied;
    }
    PutLocked({static_cast<int>(handle->scope), handle->path}, NameOf(name), std::move(value));
    return kErrorSuccess;
}

int FakeRegistry::WriteNumber(RegistryKey key, const char* name, std::int32_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    FakeRegistryValue stored{kRegDword, std::vector<std::uint8_t>(4)};
    std::memcpy(stored.data.data(), &value, 4);
    return Write(key, name, std::move(stored), "number");
}

int FakeRegistry::WriteText(RegistryKey key, const char* name, const char* text) {
    if (text == nullptr)
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    FakeRegistryValue stored{kRegSz, {}};
    stored.data.assign(text, text + std::strlen(text) + 1);
    return Write(key, name, std::move(stored), "text");
}

namespace {

std::vector<std::uint8_t> WideBytes(const std::u16string& data) {
    std::vector<std::uint8_t> bytes;
    for (char16_t unit : data) {
        bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    return bytes;
}

std::u16string WideText(const std::vector<std::uint8_t>& bytes) {
    std::u16string data;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2)
        data.push_back(static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8)));
    return data;
}

}  // namespace

int FakeRegistry::ReadWideMultiText(RegistryKey key, const char* name, std::u16string* data) {
    if (data == nullptr)
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back("read wide multi text " + NameOf(name));
    int result = kErrorSuccess;
    const NamedValue* value = FindOpenValueLocked(key, name, &result);
    if (value == nullptr)
        return result;
    if (value->value.type != kRegMultiSz)
        return kErrorInvalidData;
    *data = WideText(value->value.data);
    return kErrorSuccess;
}

int FakeRegistry::WriteWideMultiText(RegistryKey key, const char* name,
                                     const std::u16string& data) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Write(key, name, FakeRegistryValue{kRegMultiSz, WideBytes(data)}, "wide multi text");
}

int FakeRegistry::ReadValueType(RegistryKey key, const char* name, std::uint32_t* type) {
    if (type == nullptr)
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back("read value type " + NameOf(name));
    int result = kErrorSuccess;
    const NamedValue* value = FindOpenValueLocked(key, name, &result);
    if (value == nullptr)
        return result;
    *type = value->value.type;
    return kErrorSuccess;
}

int FakeRegistry::DeleteValue(RegistryKey key, const char* name) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back("delete value " + NameOf(name));
    const Handle* handle = nullptr;
    Key* stored = nullptr;
    int result = Resolve(key, &handle, &stored);
    if (result != kErrorSuccess)
        return result;
    if (handle->mode != RegistryMode::kWrite)
        return kErrorAccessDenied;
    const std::string folded = Fold(NameOf(name));
    auto it = std::find_if(stored->values.begin(), stored->values.end(),
                           [&](const NamedValue& v) { return Fold(v.name) == folded; });
    if (it == stored->values.end())
        return kErrorFileNotFound;
    stored->values.erase(it);
    return kErrorSuccess;
}

int FakeRegistry::DeleteKey(RegistryKey parent, const char* subkey) {
    if (subkey == nullptr || *subkey == '\0')
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back(std::string("delete key ") + subkey);
    const Handle* handle = nullptr;
    Key* stored = nullptr;
    int result = Resolve(parent, &handle, &stored);
    if (result != kErrorSuccess)
        return result;
    const KeyId id{static_cast<int>(handle->scope), handle->path + "\\" + Fold(subkey)};
    if (FindKeyLocked(id) == nullptr)
        return kErrorFileNotFound;
    if (write_denied_[id.first])
        return kErrorAccessDenied;
    // A key with sub-keys of its own is refused, as on Windows NT.
    const std::string below = id.second + "\\";
    for (const auto& entry : keys_) {
        if (entry.first.first == id.first &&
            entry.first.second.compare(0, below.size(), below) == 0) {
            return kErrorAccessDenied;
        }
    }
    keys_.erase(id);
    return kErrorSuccess;
}

int FakeRegistry::CloseKey(RegistryKey key) {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back("close");
    return handles_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

int FakeRegistry::ReadBinary(RegistryKey key, const char* name, std::size_t max_bytes,
                             std::vector<std::uint8_t>* data) {
    if (data == nullptr)
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    log_.push_back("read binary " + NameOf(name));
    int result = kErrorSuccess;
    const NamedValue* value = FindOpenValueLocked(key, name, &result);
    if (value == nullptr)
        return result;
    if (value->value.type != kRegBinary)
        return kErrorInvalidData;
    if (value->value.data.size() > max_bytes)
        return kErrorMoreData;
    *data = value->value.data;
    return kErrorSuccess;
}

int FakeRegistry::WriteBinary(RegistryKey key, const char* name,
                              const std::vector<std::uint8_t>& data) {
    std::lock_guard<std::mutex> lock(mutex_);
    return Write(key, name, FakeRegistryValue{kRegBinary, data}, "binary");
}

void FakeRegistry::PutNumber(RegistryScope scope, const std::string& path, const std::string& name,
                             std::int32_t value) {
    FakeRegistryValue stored{kRegDword, std::vector<std::uint8_t>(4)};
    std::memcpy(stored.data.data(), &value, 4);
    std::lock_guard<std::mutex> lock(mutex_);
    PutLocked(Id(scope, path), name, std::move(stored));
}

void FakeRegistry::PutWideMultiText(RegistryScope scope, const std::string& path,
                                    const std::string& name, const std::u16string& data) {
    std::lock_guard<std::mutex> lock(mutex_);
    PutLocked(Id(scope, path), name, FakeRegistryValue{kRegMultiSz, WideBytes(data)});
}

void FakeRegistry::PutText(RegistryScope scope, const std::string& path, const std::string& name,
                           const std::string& text) {
    FakeRegistryValue stored{kRegSz, {}};
    stored.data.assign(text.begin(), text.end());
    stored.data.push_back(0);
    std::lock_guard<std::mutex> lock(mutex_);
    PutLocked(Id(scope, path), name, std::move(stored));
}

void FakeRegistry::PutRaw(RegistryScope scope, const std::string& path, const std::string& name,
                          std::uint32_t type, const std::vector<std::uint8_t>& data) {
    std::lock_guard<std::mutex> lock(mutex_);
    PutLocked(Id(scope, path), name, FakeRegistryValue{type, data});
}

void FakeRegistry::CreateKey(RegistryScope scope, const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex_);
    CreateKeyLocked(Id(scope, path));
}

bool FakeRegistry::HasKey(RegistryScope scope, const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return FindKeyLocked(Id(scope, path)) != nullptr;
}

std::optional<FakeRegistryValue> FakeRegistry::Value(RegistryScope scope, const std::string& path,
                                                     const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    const NamedValue* value = FindValueLocked(Id(scope, path), name);
    if (value == nullptr)
        return std::nullopt;
    return value->value;
}

std::optional<std::int32_t> FakeRegistry::Number(RegistryScope scope, const std::string& path,
                                                 const std::string& name) const {
    std::optional<FakeRegistryValue> value = Value(scope, path, name);
    if (!value || value->type != kRegDword || value->data.size() != 4)
        return std::nullopt;
    std::int32_t number;
    std::memcpy(&number, value->data.data(), 4);
    return number;
}

std::optional<std::string> FakeRegistry::Text(RegistryScope scope, const std::string& path,
                                              const std::string& name) const {
    std::optional<FakeRegistryValue> value = Value(scope, path, name);
    if (!value || value->type != kRegSz)
        return std::nullopt;
    std::string text(value->data.begin(), value->data.end());
    return text.substr(0, text.find('\0'));
}

std::optional<std::u16string> FakeRegistry::WideMultiText(RegistryScope scope,
                                                          const std::string& path,
                                                          const std::string& name) const {
    std::optional<FakeRegistryValue> value = Value(scope, path, name);
    if (!value || value->type != kRegMultiSz)
        return std::nullopt;
    return WideText(value->data);
}

std::vector<std::string> FakeRegistry::ValueNames(RegistryScope scope,
                                                  const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<std::string> names;
    if (const Key* key = FindKeyLocked(Id(scope, path))) {
        for (const NamedValue& v : key->values)
            names.push_back(v.name);
    }
    return names;
}

void FakeRegistry::DenyWrite(RegistryScope scope, bool deny) {
    std::lock_guard<std::mutex> lock(mutex_);
    write_denied_[static_cast<int>(scope)] = deny;
}

void FakeRegistry::FailWritesOf(const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    failing_writes_.push_back(Fold(name));
}

std::vector<std::string> FakeRegistry::log() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return log_;
}

void FakeRegistry::ClearLog() {
    std::lock_guard<std::mutex> lock(mutex_);
    log_.clear();
}

int FakeRegistry::open_keys() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(handles_.size());
}

}  // namespace orvane
