// The one place a Windows program installs the real operating system
// behind every interface of platform/: clock, registry, file system, event
// log, name lookup, version query, service control, process privileges,
// local networks, the time service pipe, message boxes and process end.
// The program then installs its own user-interface sinks.
#pragma once

namespace orvane {

// The objects are never destroyed: worker threads may still use them while
// the process ends. A missing interface is then reported in a message box
// captioned with `program_name`.
void InstallWin32Platform(const char* program_name);

}  // namespace orvane
