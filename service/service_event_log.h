// The time service's entries in the Windows event log, under its own
// source: each clock it sets, each refusal by the clock, each failure to
// start or to listen. Goes through TheEventLog(); a lost entry is not worth
// stopping the service for.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock_types.h"
#include "platform/event_log.h"
#include "service/time_service_install.h"  // kTimeServiceEventSourceName

namespace orvane {

// Who asked for an update: the client's process and its session.
struct RequestOrigin {
    std::uint32_t process_id = 0;
    std::uint32_t session_id = 0;
};

void WriteServiceEvent(EventType type, const std::string& text);

// "Clock set from OLD to NEW by server ADDRESS for process P in session S."
std::string ClockSetByServerText(const SystemTime& before, const SystemTime& after,
                                 const std::string& server, const RequestOrigin& origin);
// "Clock set from OLD to NEW by broadcast from ADDRESS."
std::string ClockSetByBroadcastText(const SystemTime& before, const SystemTime& after,
                                    const std::string& sender);

}  // namespace orvane
