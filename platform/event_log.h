// The Windows event log as the core sees it: register a source on the local
// computer, report one entry with one insertion string, release the source.
// The program installs the real event log at start; unit tests install an
// in-memory one.
#pragma once

#include "platform/interface_slot.h"

#include <cstdint>
#include <cstdlib>

namespace orvane {

// Entry types, numbered as Windows numbers them.
enum class EventType : std::uint16_t {
    kError = 1,
    kWarning = 2,
    kInformation = 4,
};

// A registered event source; kNoEventSource when none.
using EventSourceHandle = std::uintptr_t;
constexpr EventSourceHandle kNoEventSource = 0;

class EventLog {
  public:
    virtual ~EventLog() = default;

    // Registers `source_name` on the local computer. Returns 0 and the handle,
    // or the OS error code (never 0) and kNoEventSource.
    virtual int RegisterSource(const char* source_name, EventSourceHandle* handle) = 0;
    // Reports one entry with no user, exactly one insertion string and no
    // binary data. Returns 0, or the OS error code.
    virtual int ReportEntry(EventSourceHandle handle, EventType type, std::uint16_t category,
                            std::uint32_t identifier, const char* text) = 0;
    // Releases a registered source. Returns 0, or the OS error code (never 0).
    virtual int DeregisterSource(EventSourceHandle handle) = 0;
};

inline InterfaceSlot<EventLog> installed_event_log{"event log"};
inline void UseEventLog(EventLog* implementation) {
    installed_event_log.Install(implementation);
}
inline EventLog& TheEventLog() {
    return installed_event_log.Get();
}

}  // namespace orvane
