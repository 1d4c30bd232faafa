// The real Windows event log.
#pragma once

#include "platform/event_log.h"

namespace orvane {

class Win32EventLog : public EventLog {
  public:
    int RegisterSource(const char* source_name, EventSourceHandle* handle) override;
    int ReportEntry(EventSourceHandle handle, EventType type, std::uint16_t category,
                    std::uint32_t identifier, const char* text) override;
    int DeregisterSource(EventSourceHandle handle) override;
};

}  // namespace orvane
