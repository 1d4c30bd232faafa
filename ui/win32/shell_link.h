// Shell links: the startup shortcut here, and Setup's shortcuts.
#pragma once

#include <string>

namespace orvane {

// Makes "<link folder><link name>.lnk" pointing at "<target folder><target
// file>", described by the link name, with the target's first icon, shown
// normally and started in the target folder. Both folders end in a
// backslash; every text is UTF-8. False on any failure, also when COM was already initialised
// on this thread.
bool CreateShellLink(const char* target_folder, const char* target_file, const char* link_name,
                     const char* link_folder);

// The all-users Startup folder (the user's own on Windows 95, 98 and ME);
// empty when the shell cannot say.
std::string FindStartupFolder();

bool CreateStartupShortcut(const std::string& startup_folder);
bool DeleteStartupShortcut(const std::string& startup_folder);

}  // namespace orvane
