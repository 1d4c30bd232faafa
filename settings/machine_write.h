// Which of the configuration dialog's changes need the machine part of
// the settings written: the values the store keeps under HKEY_LOCAL_MACHINE
// (server, updates, connection, logging, start with Windows), which only
// an administrator may write. The clock window's appearance lives in the
// user's own hive and never needs it.
#pragma once

#include "settings/settings_record.h"

namespace orvane {

// True when any field the machine part stores differs between the two
// records (texts compared up to their terminators).
bool MachinePartDiffers(const SettingsRecord& before, const SettingsRecord& after);

}  // namespace orvane
