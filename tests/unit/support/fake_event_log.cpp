#include "support/fake_event_log.h"

namespace orvane {

namespace {
constexpr int kErrorInvalidHandle = 6;
constexpr int kErrorInvalidParameter = 87;
}  // namespace

int FakeEventLog::RegisterSource(const char* source_name, EventSourceHandle* handle) {
    if (handle == nullptr || source_name == nullptr)
        return kErrorInvalidParameter;
    std::lock_guard<std::mutex> lock(mutex_);
    *handle = kNoEventSource;
    registration_names_.push_back(source_name);
    if (register_error_ != 0)
        return register_error_;
    EventSourceHandle registered = next_handle_++;
    open_[registered] = source_name;
    ++registrations_;
    *handle = registered;
    return 0;
}

int FakeEventLog::ReportEntry(EventSourceHandle handle, EventType type, std::uint16_t category,
                              std::uint32_t identifier, const char* text) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto source = open_.find(handle);
    if (source == open_.end()) {
        ++stray_reports_;
        return kErrorInvalidHandle;
    }
    FakeEventLogEntry entry;
    entry.source = source->second;
    entry.type = type;
    entry.category = category;
    entry.identifier = identifier;
    entry.strings.push_back(text != nullptr ? text : "");
    entries_.push_back(entry);
    return 0;
}

int FakeEventLog::DeregisterSource(EventSourceHandle handle) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (deregister_error_ != 0)
        return deregister_error_;
    if (open_.erase(handle) == 0)
        return kErrorInvalidHandle;
    ++releases_;
    return 0;
}

void FakeEventLog::FailRegisterWith(int code) {
    std::lock_guard<std::mutex> lock(mutex_);
    register_error_ = code;
}

void FakeEventLog::FailDeregisterWith(int code) {
    std::lock_guard<std::mutex> lock(mutex_);
    deregister_error_ = code;
}

std::vector<FakeEventLogEntry> FakeEventLog::entries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return entries_;
}

std::vector<std::string> FakeEventLog::registration_names() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return registration_names_;
}

int FakeEventLog::registrations() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return registrations_;
}

int FakeEventLog::releases() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return releases_;
}

int FakeEventLog::open_sources() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(open_.size());
}

int FakeEventLog::stray_reports() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return stray_reports_;
}

}  // namespace orvane
