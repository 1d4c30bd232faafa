// What the two logging settings ("Enable logging", "Logging level") let
// through, for every kind of entry the program writes. Every writer asks
// here before it calls WriteLogEntry; no call site keeps its own copy of
// these rules.
#pragma once

#include <string>

#include "settings/settings_record.h"

namespace orvane {

constexpr int kLoggingMinimum = 0;
constexpr int kLoggingMedium = 1;
constexpr int kLoggingMaximum = 2;

enum class LogEvent {
    kEngineStartStop,    // "Orvane engine started." / "Orvane engine stopped."
    kManualUpdate,       // "Manual update successful" / "Manual update failed.  %s"
    kKissOfDeath,        // "Server %s sent kiss code %s."
    kCorrectionRefused,  // a time before the build, a correction beyond the largest allowed
    kDialupConnection,   // connected / disconnected by Orvane or by the user
    kAutomaticRetry,     // automatic synchronisation failed, trying again / giving up
    kLogCleanup,         // log folder clean-up deletions and failures
    kSntpUpdate,         // clock set from an SNTP exchange
    kTimeUpdate,         // clock set from a TIME (UDP or TCP) exchange
    kBroadcastReceived,  // clock set from an SNTP broadcast
};

// How much of an entry to write: nothing, the one-line form or the long
// form. Entries that have only one form use kShort for "write it".
enum class LogDetail { kNone, kShort, kLong };

LogDetail LogDetailFor(LogEvent event, const SettingsRecord& settings);
// The same for the live settings, read now.
LogDetail LogDetailFor(LogEvent event);
bool ShouldLog(LogEvent event);

// Writes the entry when the live settings let the event through; returns
// whether it was written.
bool WriteLogEntryFor(LogEvent event, const std::string& text);

}  // namespace orvane
