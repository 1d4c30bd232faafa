// The daily log files: one time-stamped entry appended per call to the file
// of the current local day in the log folder.
#pragma once

#include <string>

#include "platform/clock_types.h"

namespace orvane {

// Appends one entry to "<log folder>\YYYYMMDD.log", creating the folder
// first. Writes whatever it is given: callers ask ShouldLog (log_levels.h)
// first. The text is written as is, never taken as a format. Returns
// whether the entry was written; a failure is never shown to the user.
// Safe to call from any thread: an entry reaches the file whole.
bool WriteLogEntry(const char* text);
bool WriteLogEntry(const std::string& text);

// Creates the folder and any missing parents. True when the folder exists
// afterwards.
bool CreateDirectoryTree(const std::string& path);

// The log folder of the live settings, without a trailing backslash.
std::string LogFolder();

// "%04d%02d%02d.log" of the date.
std::string DailyLogFileName(const SystemTime& local);

}  // namespace orvane
