// What the wizard does on its way from page 2 to page 4 and at Finish.
#pragma once

#include <string>

namespace orvane {

// Closes a running Orvane, copies the files (the source is Setup's own
// folder), writes the registry and makes the shortcuts, showing progress on
// page 3. A file that cannot be copied ends Setup through the fatal-error
// report.
void RunInstallation(const std::string& install_folder, bool program_group, bool start_at_logon);

// Hands time keeping over from Windows Time and, when asked, starts the
// installed program.
void RunFinishSteps(const std::string& install_folder, bool start_program);

}  // namespace orvane
