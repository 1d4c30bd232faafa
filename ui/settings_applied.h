// What happens after the configuration dialog's OK has stored new settings:
// the order of the nine steps and the decisions in them, apart from the
// window system. The clock window supplies the actions.
#pragma once

#include <cstdint>

#include "settings/settings_record.h"

namespace orvane {

// The values the handler compares against: as they were at window creation
// or when the handler last ran.
struct SettingsSnapshots {
    std::int32_t enable_updates = 0;
    std::int32_t update_interval = 0;
    std::int32_t launch_program_at_startup = 0;
};

SettingsSnapshots TakeSettingsSnapshots(const SettingsRecord& settings);

class SettingsAppliedActions {
  public:
    virtual ~SettingsAppliedActions() = default;
    virtual void SetDialTexts(const char* user_name, const char* password,
                              const char* entry_name) = 0;
    // One release of the update semaphore.
    virtual void WakeUpdateThread() = 0;
    // New face names for the clock's fonts; their heights stay.
    virtual void SetFontFaces(const char* time_face, const char* date_face) = 0;
    virtual void SetBroadcastListening(int on) = 0;
    virtual void ApplyWindowSettings() = 0;
    virtual void CreateStartupShortcut() = 0;
    virtual void DeleteStartupShortcut() = 0;
    // Rebuilds the last update's link text and shows it in the status dialog.
    virtual void RefreshLinkTextAndStatus() = 0;
};

// Runs the steps against the settings and moves the snapshots on.
void RunSettingsApplied(const SettingsRecord& settings, SettingsSnapshots& snapshots,
                        SettingsAppliedActions& actions);

}  // namespace orvane
