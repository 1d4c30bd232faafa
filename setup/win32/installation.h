// What the wizard does on its way from page 2 to page 4 and at Finish.
#pragma once

#include <string>

#include "setup/time_service_setup.h"

namespace orvane {

constexpr char kSetupErrorCaption[] = "Orvane Setup Error";

// Creates the install folder and the folders above it that are missing;
// the outermost one made, unless it lies in a Program Files folder, gets
// the protection Program Files has. False, after a box saying so, when
// that protection failed: the wizard then stays on the folder page.
bool CreateInstallFolder(const std::string& install_folder);

// Closes a running Orvane, copies the files (the source is Setup's own
// folder), writes the registry, makes the shortcuts and takes what it made
// off the deletions pending for the next start, showing progress on page
// 3. A file that cannot be copied ends Setup through the fatal-error
// report. The waits for a closing Orvane keep the wizard responsive.
// Where Windows runs the Orvane Time Service, the service of an earlier
// installation is stopped before the copy and the service installed and
// started after the registry; a failure there is shown and the
// installation goes on.
TimeServiceSetup RunInstallation(const std::string& install_folder, bool program_group,
                                 bool start_at_logon);

// The box text that refuses the folder (not complete, or one that users
// who are not administrators could change); empty when it is fine.
std::string InstallFolderRefusal(const std::string& folder);

// Setup /quiet: the wizard's defaults, or what the command line chose,
// without a window; what goes wrong is logged and ends the run with 1603.
// Never starts the program.
void RunQuietInstallation();

// Hands time keeping over from Windows Time (the wizard responsive while
// the service stops) unless the Orvane Time Service failed and, when
// asked, starts the installed program through the desktop shell.
void RunFinishSteps(const std::string& install_folder, bool start_program,
                    TimeServiceSetup time_service);

}  // namespace orvane
