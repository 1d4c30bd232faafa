// Entries in the Windows event log under the source "Orvane", for
// administrators who collect events centrally.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

constexpr int kEventSeverityInformation = 0;
constexpr int kEventSeverityWarning = 1;
constexpr int kEventSeverityError = 2;

// Every entry carries this identifier; the event-message library shows its
// one insertion string unchanged.
constexpr std::uint32_t kEventLogEntryIdentifier = 0xC0001010;
constexpr char kEventLogSourceName[] = "Orvane";

// Writes one entry with `text` as its only string: severity 0 is an
// information entry, 1 a warning, anything else an error. The source is
// registered and released afresh for each entry, so any thread may call
// this. A source that cannot be registered or released ends the program
// through the fatal-error report; a failed report itself is ignored.
// Callers check "Write to event log" first.
void WriteEventLogEntry(const std::string& text, int severity);

}  // namespace orvane
