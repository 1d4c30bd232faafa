#include "logging/event_log_entry.h"

#include "logging/fatal_error.h"
#include "platform/event_log.h"
#include "platform/last_error.h"

namespace orvane {

namespace {

EventType TypeOfSeverity(int severity) {
    switch (severity) {
        case kEventSeverityInformation:
            return EventType::kInformation;
        case kEventSeverityWarning:
            return EventType::kWarning;
        default:
            return EventType::kError;
    }
}

// The fatal-error report takes its code from the thread's last error.
[[noreturn]] void FailWithCode(const char* message, int code) {
    SetLastErrorCode(code);
    ReportFatalErrorWithCode(message);
}

}  // namespace

void WriteEventLogEntry(const std::string& text, int severity) {
    const EventType type = TypeOfSeverity(severity);
    EventLog& event_log = TheEventLog();

    EventSourceHandle source = kNoEventSource;
    const int register_error = event_log.RegisterSource(kEventLogSourceName, &source);
    if (register_error != 0)
        FailWithCode("RegisterEventSource() failed", register_error);

    // A lost entry is not worth stopping for.
    event_log.ReportEntry(source, type, 0, kEventLogEntryIdentifier, text.c_str());

    const int release_error = event_log.DeregisterSource(source);
    if (release_error != 0)
        FailWithCode("CloseEventLog() failed", release_error);
}

}  // namespace orvane
