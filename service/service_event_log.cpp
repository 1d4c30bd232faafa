#include "service/service_event_log.h"

#include <cstdio>

namespace orvane {

namespace {

// The one identifier of the event-message library, whose message is the
// entry's text alone.
constexpr std::uint32_t kServiceEventIdentifier = 0xC0001010;

std::string TimeText(const SystemTime& t) {
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

}  // namespace

void WriteServiceEvent(EventType type, const std::string& text) {
    EventLog& event_log = TheEventLog();
    EventSourceHandle source = kNoEventSource;
    if (event_log.RegisterSource(kTimeServiceEventSourceName, &source) != 0)
        return;
    event_log.ReportEntry(source, type, 0, kServiceEventIdentifier, text.c_str());
    event_log.DeregisterSource(source);
}

std::string ClockSetByServerText(const SystemTime& before, const SystemTime& after,
                                 const std::string& server, const RequestOrigin& origin) {
    return "Clock set from " + TimeText(before) + " to " + TimeText(after) + " by server " +
           server + " for process " + std::to_string(origin.process_id) + " in session " +
           std::to_string(origin.session_id) + ".";
}

std::string ClockSetByBroadcastText(const SystemTime& before, const SystemTime& after,
                                    const std::string& sender) {
    return "Clock set from " + TimeText(before) + " to " + TimeText(after) +
           " by broadcast from " + sender + ".";
}

}  // namespace orvane
