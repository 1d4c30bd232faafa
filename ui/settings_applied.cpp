#include "ui/settings_applied.h"

namespace orvane {

SettingsSnapshots TakeSettingsSnapshots(const SettingsRecord& s) {
    SettingsSnapshots snapshots;
    snapshots.enable_updates = s.enable_updates;
    snapshots.update_interval = s.update_interval;
    snapshots.launch_program_at_startup = s.launch_program_at_startup;
    return snapshots;
}

void RunSettingsApplied(const SettingsRecord& s, SettingsSnapshots& snapshots,
                        SettingsAppliedActions& actions) {
    actions.SetDialTexts(s.dialup_server_username, s.dialup_server_password, s.dialup_server_name);

    // Updates just switched on: the thread may be asleep for a whole
    // interval, so wake it now.
    if (s.enable_updates != snapshots.enable_updates && snapshots.enable_updates == 0) {
        actions.WakeUpdateThread();
    }
    // A new interval counts from now.
    if (s.enable_updates == 1 && s.update_interval != snapshots.update_interval) {
        actions.WakeUpdateThread();
    }

    actions.SetFontFaces(s.time_font_name, s.date_font_name);
    actions.SetBroadcastListening(s.receive_sntp_broadcasts);
    actions.ApplyWindowSettings();

    // Only a change touches the shortcut, so a shortcut the user removed by
    // hand is not brought back by an unrelated OK.
    if (s.launch_program_at_startup != snapshots.launch_program_at_startup) {
        if (s.launch_program_at_startup == 1) {
            actions.CreateStartupShortcut();
        } else {
            actions.DeleteStartupShortcut();
        }
    }

    actions.RefreshLinkTextAndStatus();
    snapshots = TakeSettingsSnapshots(s);
}

}  // namespace orvane
