// The paths of an installation, apart from the shell: where Setup's files
// come from, where they go, the folder browser's starting point and the
// copy steps with their progress positions.
#pragma once

#include <string>

namespace orvane {

constexpr char kDefaultSetupInstallFolder[] = "C:\\Program Files\\Pellmoor\\Orvane";
// Edit 2708 holds at most this many characters.
constexpr int kInstallFolderLimit = 260;

struct InstalledFile {
    const char* name;
    int progress;  // the progress bar's position after the copy
};

// The files an installation copies, in order.
constexpr InstalledFile kInstalledFiles[] = {
    {"Orvane Event Log Interface.dll", 10},
    {"Orvane.exe", 20},
    {"Orvane.hlp", 30},
    {"Uninstall.exe", 50},
};

// The folder holding Setup's own program file: the module path without its
// last part and the backslash before it; a bare drive ("C:") gets its
// backslash back.
std::string SourceFolderFromModulePath(const std::string& module_path);

// Whether two folder paths name the same folder, by text without regard to
// letter case.
bool IsSameFolder(const std::string& first, const std::string& second);

// "<folder>\<name>".
std::string PathInFolder(const std::string& folder, const std::string& name);

// Where the folder browser starts for the install folder in the edit: the
// text in lower case, without a last part "\orvane", so the browser opens
// in the parent folder.
std::string BrowseStartFolder(const std::string& install_folder);

// The install folder for a folder chosen in the browser: the folder, a
// backslash unless it already ends in one, and "Orvane".
std::string InstallFolderForChosenFolder(const std::string& chosen);

// "Unable to copy "<source>" to "<destination>".\n<system text>"
std::string CopyFailureMessage(const std::string& source, const std::string& destination,
                               const std::string& system_text);

}  // namespace orvane
