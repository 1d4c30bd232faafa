// The fatal-error report: a message box for a failure the program cannot
// go on from, then the end of the process with exit code 0.
#pragma once

#include <string>

namespace orvane {

// Shows "<message>\nError code <n>." with the OS last-error code current on
// entry, then ends the process.
[[noreturn]] void ReportFatalErrorWithCode(const std::string& message);
// Shows the text as given, then ends the process.
[[noreturn]] void ReportFatalError(const std::string& text);

// The program name in front of " - Fatal Error"; "Orvane" unless the
// program (Setup) sets its own at start.
void SetFatalErrorProgramName(const std::string& name);
std::string FatalErrorCaption();

}  // namespace orvane
