// The live settings record the program runs on, shared by the user
// interface thread and the engine's threads. Nobody holds a reference to
// it: readers take a copy, writers change it under the lock, so a text
// field is never seen half old and half new.
#pragma once

#include <functional>

#include "settings/policy_settings.h"
#include "settings/settings_record.h"

namespace orvane {

// A copy taken under the lock, with the policy's values over the stored
// ones: what the program runs on. Engine threads take one per round.
SettingsRecord CurrentSettings();
// The record as the user and the machine settings have it, without the
// policy's values: what is saved.
SettingsRecord StoredSettings();

// Reads the policy key afresh for CurrentSettings; at start and at the
// start of every round, so a policy takes effect without a restart.
void RefreshPolicySettings();
PolicySettings CurrentPolicySettings();

// Runs `change` on the stored record under the lock; it must not call
// back into this module.
void UpdateSettings(const std::function<void(SettingsRecord&)>& change);

// The configuration dialog's OK: every page field the user changed
// between `opened` (the copy the dialog started from) and `edited` goes
// into `live`. Fields changed elsewhere meanwhile (the clock dragged, a
// menu toggle) are kept unless the dialog changed them too.
void ApplyChangedPageFields(const SettingsRecord& opened, const SettingsRecord& edited,
                            SettingsRecord& live);

}  // namespace orvane
