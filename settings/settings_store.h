// The settings record's registry store: the clock window's appearance in
// the per-user hive, everything else in the per-machine hive, both under
// the same key path. Goes through TheRegistry().
#pragma once

#include <string>

#include "settings/settings_record.h"

namespace orvane {

// The key the settings live under, in both hives; Setup and Uninstall use
// it too.
constexpr const char kSettingsKeyPath[] = "Software\\Pellmoor\\Orvane";
constexpr char kDefaultInstallFolder[] = "C:\\Program Files\\Pellmoor\\Orvane";

// Fills the record from the registry. A missing key or value leaves its
// fields as they were; so does a value whose data is longer than its field.
void LoadSettings(SettingsRecord& record);
// Writes every value of the record. A hive that cannot be opened or created
// for writing is skipped, and a failed single write does not stop the
// others. Returns false when the machine part could not be written whole
// (a user without administrator rights), for the caller to say so.
bool SaveSettings(const SettingsRecord& record);
// Writes the user part alone (the clock window's appearance): for a change
// that touches no machine setting, which a standard user may then make.
void SaveUserSettings(const SettingsRecord& record);

// The folder Setup installed into (`Install directory` of the machine key),
// or kDefaultInstallFolder when the key or the value cannot be read.
std::string ReadInstallFolder();

// The same under another key path, so tests can keep away from the real
// settings.
void LoadSettingsFromKey(const char* key_path, SettingsRecord& record);
bool SaveSettingsToKey(const char* key_path, const SettingsRecord& record);

}  // namespace orvane
