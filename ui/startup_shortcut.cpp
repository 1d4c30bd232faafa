#include "ui/startup_shortcut.h"

#include "settings/settings_store.h"

namespace orvane {

std::string ShortcutInstallFolder() {
    return ReadInstallFolder() + "\\";
}

std::string StartupLinkPath(const std::string& startup_folder) {
    return startup_folder + "\\" + kStartupLinkName + ".lnk";
}

}  // namespace orvane
