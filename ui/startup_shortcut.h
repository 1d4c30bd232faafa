// Where the startup shortcut points and where it lives, apart from the
// shell: the install folder comes from the registry (Setup writes it).
#pragma once

#include <string>

namespace orvane {

constexpr char kProgramFileName[] = "Orvane.exe";
constexpr char kStartupLinkName[] = "Orvane";

// ReadInstallFolder() with a trailing backslash.
std::string ShortcutInstallFolder();

// "<startup folder>\Orvane.lnk".
std::string StartupLinkPath(const std::string& startup_folder);

}  // namespace orvane
