#include "settings/live_settings.h"

#include <cstring>
#include <mutex>
#include <utility>

namespace orvane {

namespace {

struct LiveState {
    std::mutex mutex;
    SettingsRecord record;  // zero-filled at start
    PolicySettings policy;
};

LiveState& State() {
    static LiveState* state = new LiveState;  // never destroyed: threads read it up to the end
    return *state;
}

// The fields the configuration pages edit; the window's position and size
// are the clock window's alone.
constexpr std::int32_t SettingsRecord::*kPageNumbers[] = {
    &SettingsRecord::show_date,
    &SettingsRecord::always_on_top,
    &SettingsRecord::hide_taskbar_button,
    &SettingsRecord::hide_in_tray,
    &SettingsRecord::use_dialup,
    &SettingsRecord::force_dial,
    &SettingsRecord::use_server_by_name,
    &SettingsRecord::enable_updates,
    &SettingsRecord::receive_sntp_broadcasts,
    &SettingsRecord::enable_logging,
    &SettingsRecord::write_to_event_log,
    &SettingsRecord::delete_old_logfiles,
    &SettingsRecord::cap_logfile_folder_size,
    &SettingsRecord::launch_program_at_startup,
    &SettingsRecord::update_interval,
    &SettingsRecord::maximum_logfile_space,
    &SettingsRecord::maximum_logfile_age,
    &SettingsRecord::logging_level,
    &SettingsRecord::protocol,
};

template <std::size_t N>
void ApplyIfChanged(const TextField<N>& opened, const TextField<N>& edited, TextField<N>& live) {
    if (std::memcmp(opened.bytes, edited.bytes, sizeof opened.bytes) != 0)
        live = edited;
}

}  // namespace

SettingsRecord CurrentSettings() {
    LiveState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    SettingsRecord current = state.record;
    ApplyPolicy(state.policy, current);
    return current;
}

SettingsRecord StoredSettings() {
    LiveState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.record;
}

void RefreshPolicySettings() {
    // Read outside the lock: readers need not wait for the registry.
    PolicySettings policy = ReadPolicySettings();
    LiveState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    state.policy = std::move(policy);
}

PolicySettings CurrentPolicySettings() {
    LiveState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    return state.policy;
}

void UpdateSettings(const std::function<void(SettingsRecord&)>& change) {
    LiveState& state = State();
    std::lock_guard<std::mutex> lock(state.mutex);
    change(state.record);
}

void ApplyChangedPageFields(const SettingsRecord& opened, const SettingsRecord& edited,
                            SettingsRecord& live) {
    for (std::int32_t SettingsRecord::*field : kPageNumbers) {
        if (opened.*field != edited.*field)
            live.*field = edited.*field;
    }
    ApplyIfChanged(opened.time_font_name, edited.time_font_name, live.time_font_name);
    ApplyIfChanged(opened.date_font_name, edited.date_font_name, live.date_font_name);
    ApplyIfChanged(opened.dialup_server_name, edited.dialup_server_name, live.dialup_server_name);
    ApplyIfChanged(opened.dialup_server_username, edited.dialup_server_username,
                   live.dialup_server_username);
    ApplyIfChanged(opened.dialup_server_password, edited.dialup_server_password,
                   live.dialup_server_password);
    ApplyIfChanged(opened.server_name, edited.server_name, live.server_name);
    ApplyIfChanged(opened.logfile_path, edited.logfile_path, live.logfile_path);
    if (opened.server_address.address != edited.server_address.address)
        live.server_address = edited.server_address;
}

}  // namespace orvane
