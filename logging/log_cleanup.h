// The log clean-up thread: deletes daily log files older than "Maximum
// logfile age" days and keeps their total size under "Maximum logfile
// space" megabytes, each rule switched on by its own setting. One pass at
// start, then one a minute.
#pragma once

#include <string>

namespace orvane {

// True for a name of exactly 12 characters whose first 8 are decimal
// digits ("20240315.log"); false for null.
bool IsDailyLogName(const char* name);
bool IsDailyLogName(const std::string& name);

// One pass of each rule, reading the live settings now. Each does nothing
// while its setting is off.
void RunLogAgePass();
void RunLogSizePass();

// Starts the thread (once, at program start, after the settings are
// loaded). A thread that cannot be started is a fatal error.
void StartLogCleanup();
// Sets the stop flag and wakes the thread; returns at once without waiting
// for it to end.
void StopLogCleanup();
// Waits up to timeout_ms, polling every 20 ms, for the thread to end; true
// when it is not running. For tests and orderly shutdown.
bool WaitForLogCleanupEnd(int timeout_ms);
// Completed passes (age and size together) since the program started.
unsigned LogCleanupPassCount();

}  // namespace orvane
