// The live settings record the program runs on, shared by the user
// interface thread and the engine's threads. Nobody holds a reference to
// it: readers take a copy, writers change it under the lock, so a text
// field is never seen half old and half new.
#pragma once

#include <functional>

#include "settings/settings_record.h"

namespace orvane {

// A copy taken under the lock. Engine threads take one per round.
SettingsRecord CurrentSettings();

// Runs `change` on the live record under the lock; it must not call back
// into this module.
void UpdateSettings(const std::function<void(SettingsRecord&)>& change);

// The configuration dialog's OK: every page field the user changed
// between `opened` (the copy the dialog started from) and `edited` goes
// into `live`. Fields changed elsewhere meanwhile (the clock dragged, a
// menu toggle) are kept unless the dialog changed them too.
void ApplyChangedPageFields(const SettingsRecord& opened, const SettingsRecord& edited,
                            SettingsRecord& live);

}  // namespace orvane
