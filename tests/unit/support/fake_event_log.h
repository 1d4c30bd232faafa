// An in-memory event log for unit tests: keeps every entry with the source
// it was reported under, counts registrations and releases, and can be told
// to fail either with an OS error code.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/event_log.h"

namespace orvane {

struct FakeEventLogEntry {
    std::string source;
    EventType type = EventType::kInformation;
    std::uint16_t category = 0;
    std::uint32_t identifier = 0;
    std::vector<std::string> strings;
};

class FakeEventLog : public EventLog {
  public:
    int RegisterSource(const char* source_name, EventSourceHandle* handle) override;
    int ReportEntry(EventSourceHandle handle, EventType type, std::uint16_t category,
                    std::uint32_t identifier, const char* text) override;
    int DeregisterSource(EventSourceHandle handle) override;

    // Test controls: a non-zero code makes every later registration (or
    // release) fail with it; 0 lets them succeed again. A failed release
    // leaves the source registered.
    void FailRegisterWith(int code);
    void FailDeregisterWith(int code);

    // Entries reported under a registered source, in order.
    std::vector<FakeEventLogEntry> entries() const;
    // The names asked for, one per registration attempt.
    std::vector<std::string> registration_names() const;
    int registrations() const;
    int releases() const;
    // Sources registered and not yet released.
    int open_sources() const;
    // Reports on a handle that is not (or no longer) registered; refused
    // with 6 and not kept.
    int stray_reports() const;

  private:
    mutable std::mutex mutex_;
    int register_error_ = 0;
    int deregister_error_ = 0;
    EventSourceHandle next_handle_ = 0x100;
    std::map<EventSourceHandle, std::string> open_;
    std::vector<FakeEventLogEntry> entries_;
    std::vector<std::string> registration_names_;
    int registrations_ = 0;
    int releases_ = 0;
    int stray_reports_ = 0;
};

}  // namespace orvane
