// Removing one installed file or folder, now if possible and otherwise at
// the next restart: on the NT family through the system's pending
// deletions, on Windows 95/98/ME through "c:\windows\wininit.ini".
#pragma once

#include <string>

namespace orvane {

// The file Windows 95/98/ME works through at the next start.
constexpr char kWininitPath[] = "c:\\windows\\wininit.ini";

// Deletes the file; on the NT family always also asks for its deletion at
// the next restart (harmless when it is already gone), elsewhere appends a
// "[rename]" section and, while the file still exists, its "NUL=" line.
void RemoveFileByRule(const std::string& path);

// The same for a folder, with a "DIRNUL=" line.
void RemoveFolderByRule(const std::string& path);

}  // namespace orvane
