// Removing one installed file or folder, now if possible and otherwise at
// the next restart: on the NT family through the system's pending
// deletions, on Windows 95/98/ME through "c:\windows\wininit.ini". Only
// what is still there after the attempt is scheduled: a deletion scheduled
// for an item already gone would hit a reinstallation made before the
// restart.
#pragma once

#include <string>

namespace orvane {

// The file Windows 95/98/ME works through at the next start.
constexpr char kWininitPath[] = "c:\\windows\\wininit.ini";

enum class RemovalOutcome {
    kRemoved,    // gone now
    kAbsent,     // was not there
    kScheduled,  // still there, deleted at the next restart
    kFailed,     // still there, and its deletion could not be scheduled
};

// Deletes the file; when it is still there, asks for its deletion at the
// next restart (NT family), elsewhere appends a "[rename]" section with its
// "NUL=" line.
RemovalOutcome RemoveFileByRule(const std::string& path);

// The same for a folder, with a "DIRNUL=" line.
RemovalOutcome RemoveFolderByRule(const std::string& path);

}  // namespace orvane
