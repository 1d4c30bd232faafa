#include "service/windows_time_record.h"

#include "platform/registry.h"

namespace orvane {

namespace {

void PutU32(std::vector<std::uint8_t>& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Reads what the record holds, refusing to read beyond its end.
class Reader {
  public:
    explicit Reader(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool U32(std::uint32_t* value) {
        if (bytes_.size() - at_ < 4)
            return false;
        *value = 0;
        for (int i = 3; i >= 0; --i)
            *value = (*value << 8) | bytes_[at_ + static_cast<std::size_t>(i)];
        at_ += 4;
        return true;
    }
    bool Bytes(std::uint8_t* out, std::size_t size) {
        if (bytes_.size() - at_ < size)
            return false;
        for (std::size_t i = 0; i < size; ++i)
            out[i] = bytes_[at_ + i];
        at_ += size;
        return true;
    }
    bool AtEnd() const { return at_ == bytes_.size(); }

  private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t at_ = 0;
};

constexpr std::uint32_t kTriggerActionStart = 1;
constexpr std::uint32_t kTriggerActionStop = 2;
constexpr std::uint32_t kLastTriggerDataType = 5;

bool DecodeTrigger(Reader& in, ServiceTrigger* trigger) {
    std::uint8_t has_subtype = 0;
    std::uint32_t items = 0;
    if (!in.U32(&trigger->type) || !in.U32(&trigger->action) || !in.Bytes(&has_subtype, 1) ||
        !in.Bytes(trigger->subtype.data(), trigger->subtype.size()) || !in.U32(&items)) {
        return false;
    }
    if (trigger->action != kTriggerActionStart && trigger->action != kTriggerActionStop)
        return false;
    if (has_subtype > 1 || items > kMaxTriggerDataItems)
        return false;
    trigger->has_subtype = has_subtype == 1;
    for (std::uint32_t i = 0; i < items; ++i) {
        ServiceTriggerData item;
        std::uint32_t size = 0;
        if (!in.U32(&item.type) || !in.U32(&size))
            return false;
        if (item.type == 0 || item.type > kLastTriggerDataType || size > kMaxTriggerDataBytes)
            return false;
        item.bytes.resize(size);
        if (!in.Bytes(item.bytes.data(), size))
            return false;
        trigger->data.push_back(std::move(item));
    }
    return true;
}

std::int32_t TaskNumber(TaskState task) {
    switch (task) {
        case TaskState::kEnabled:
            return kRecordTaskEnabled;
        case TaskState::kDisabled:
            return kRecordTaskDisabled;
        default:
            return kRecordNoTask;
    }
}

}  // namespace

bool EncodeServiceTriggers(const std::vector<ServiceTrigger>& triggers,
                           std::vector<std::uint8_t>* bytes) {
    if (triggers.size() > kMaxTriggers)
        return false;
    std::vector<std::uint8_t> out;
    PutU32(out, static_cast<std::uint32_t>(triggers.size()));
    for (const ServiceTrigger& trigger : triggers) {
        if (trigger.data.size() > kMaxTriggerDataItems)
            return false;
        PutU32(out, trigger.type);
        PutU32(out, trigger.action);
        out.push_back(trigger.has_subtype ? 1 : 0);
        for (std::size_t i = 0; i < trigger.subtype.size(); ++i)
            out.push_back(trigger.has_subtype ? trigger.subtype[i] : 0);
        PutU32(out, static_cast<std::uint32_t>(trigger.data.size()));
        for (const ServiceTriggerData& item : trigger.data) {
            if (item.bytes.size() > kMaxTriggerDataBytes)
                return false;
            PutU32(out, item.type);
            PutU32(out, static_cast<std::uint32_t>(item.bytes.size()));
            out.insert(out.end(), item.bytes.begin(), item.bytes.end());
        }
    }
    if (out.size() > kMaxTriggersRecordBytes)
        return false;
    *bytes = std::move(out);
    return true;
}

bool DecodeServiceTriggers(const std::vector<std::uint8_t>& bytes,
                           std::vector<ServiceTrigger>* triggers) {
    if (bytes.size() > kMaxTriggersRecordBytes)
        return false;
    Reader in(bytes);
    std::uint32_t count = 0;
    if (!in.U32(&count) || count > kMaxTriggers)
        return false;
    std::vector<ServiceTrigger> decoded(count);
    for (ServiceTrigger& trigger : decoded) {
        if (!DecodeTrigger(in, &trigger))
            return false;
    }
    if (!in.AtEnd())
        return false;
    *triggers = std::move(decoded);
    return true;
}

bool ReadWindowsTimeRecord(const char* key_path, WindowsTimeRecord* record) {
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, key_path, RegistryMode::kRead, false, &key) != 0)
        return false;
    std::int32_t start_type = -1;
    std::int32_t task = -1;
    std::vector<std::uint8_t> bytes;
    WindowsTimeRecord read;
    bool valid =
        registry.ReadNumber(key, kRecordStartTypeValue, &start_type) == 0 &&
        registry.ReadNumber(key, kRecordTaskValue, &task) == 0 &&
        registry.ReadBinary(key, kRecordTriggersValue, kMaxTriggersRecordBytes, &bytes) == 0 &&
        DecodeServiceTriggers(bytes, &read.triggers);
    registry.CloseKey(key);
    // Automatic, on demand or disabled: boot and system starts are for
    // drivers.
    if (!valid || start_type < static_cast<std::int32_t>(kServiceAutoStart) ||
        start_type > static_cast<std::int32_t>(kServiceDisabled) || task < kRecordNoTask ||
        task > kRecordTaskDisabled) {
        return false;
    }
    read.start_type = static_cast<std::uint32_t>(start_type);
    read.task = task == kRecordTaskEnabled    ? TaskState::kEnabled
                : task == kRecordTaskDisabled ? TaskState::kDisabled
                                              : TaskState::kMissing;
    *record = std::move(read);
    return true;
}

bool KeepWindowsTimeRecordOnce(const char* key_path, const WindowsTimeRecord& record) {
    std::vector<std::uint8_t> triggers;
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, key_path, RegistryMode::kWrite, true, &key) != 0)
        return false;
    std::int32_t start_type = 0;
    bool kept = registry.ReadNumber(key, kRecordStartTypeValue, &start_type) == 0;
    if (!kept && EncodeServiceTriggers(record.triggers, &triggers)) {
        kept = registry.WriteBinary(key, kRecordTriggersValue, triggers) == 0 &&
               registry.WriteNumber(key, kRecordTaskValue, TaskNumber(record.task)) == 0 &&
               registry.WriteNumber(key, kRecordStartTypeValue,
                                    static_cast<std::int32_t>(record.start_type)) == 0;
    }
    registry.CloseKey(key);
    return kept;
}

}  // namespace orvane
