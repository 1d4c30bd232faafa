#include "logging/log_levels.h"

#include "logging/log_writer.h"
#include "settings/live_settings.h"

namespace orvane {

LogDetail LogDetailFor(LogEvent event, const SettingsRecord& settings) {
    if (!IsOn(settings.enable_logging))
        return LogDetail::kNone;
    const int level = settings.logging_level;
    if (level < kLoggingMinimum || level > kLoggingMaximum)
        return LogDetail::kNone;

    switch (event) {
        case LogEvent::kEngineStartStop:
        case LogEvent::kManualUpdate:
        // A server telling us to stay away matters at any level.
        case LogEvent::kKissOfDeath:
        // A server whose time is far off matters at any level too.
        case LogEvent::kCorrectionRefused:
            return LogDetail::kShort;
        case LogEvent::kDialupConnection:
        case LogEvent::kAutomaticRetry:
        case LogEvent::kLogCleanup:
            return level >= kLoggingMedium ? LogDetail::kShort : LogDetail::kNone;
        case LogEvent::kSntpUpdate:
        case LogEvent::kTimeUpdate:
        case LogEvent::kBroadcastReceived:
            if (level == kLoggingMedium)
                return LogDetail::kShort;
            if (level == kLoggingMaximum)
                return LogDetail::kLong;
            return LogDetail::kNone;
    }
    return LogDetail::kNone;
}

LogDetail LogDetailFor(LogEvent event) {
    return LogDetailFor(event, CurrentSettings());
}

bool ShouldLog(LogEvent event) {
    return LogDetailFor(event) != LogDetail::kNone;
}

bool WriteLogEntryFor(LogEvent event, const std::string& text) {
    return ShouldLog(event) && WriteLogEntry(text);
}

}  // namespace orvane
