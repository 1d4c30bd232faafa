#include "ui/startup_shortcut.h"

#include "platform/registry.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"

namespace orvane {

std::string ShortcutInstallFolder() {
    char folder[kPathCapacity + 1] = {};
    std::string text = kDefaultInstallFolder;
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, kSettingsKeyPath, RegistryMode::kRead, false,
                         &key) == kErrorSuccess) {
        if (registry.ReadText(key, "Install directory", folder, kPathCapacity) == kErrorSuccess) {
            text = folder;
        }
        registry.CloseKey(key);
    }
    return text + "\\";
}

std::string StartupLinkPath(const std::string& startup_folder) {
    return startup_folder + "\\" + kStartupLinkName + ".lnk";
}

}  // namespace orvane
