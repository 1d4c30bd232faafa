#include "settings/machine_write.h"

#include "platform/fixed_text.h"

namespace orvane {

namespace {

// The numbers SaveSettings writes under the machine key.
constexpr std::int32_t SettingsRecord::*kMachineNumbers[] = {
    &SettingsRecord::enable_logging,
    &SettingsRecord::write_to_event_log,
    &SettingsRecord::use_server_by_name,
    &SettingsRecord::update_interval,
    &SettingsRecord::enable_updates,
    &SettingsRecord::use_dialup,
    &SettingsRecord::force_dial,
    &SettingsRecord::receive_sntp_broadcasts,
    &SettingsRecord::logging_level,
    &SettingsRecord::delete_old_logfiles,
    &SettingsRecord::cap_logfile_folder_size,
    &SettingsRecord::maximum_logfile_age,
    &SettingsRecord::maximum_logfile_space,
    &SettingsRecord::protocol,
    &SettingsRecord::launch_program_at_startup,
};

}  // namespace

bool MachinePartDiffers(const SettingsRecord& before, const SettingsRecord& after) {
    for (auto number : kMachineNumbers) {
        if (before.*number != after.*number)
            return true;
    }
    return before.largest_correction != after.largest_correction ||
           before.server_address.address != after.server_address.address ||
           FieldText(before.server_name) != FieldText(after.server_name) ||
           FieldText(before.logfile_path) != FieldText(after.logfile_path) ||
           FieldText(before.dialup_server_name) != FieldText(after.dialup_server_name) ||
           FieldText(before.dialup_server_username) != FieldText(after.dialup_server_username) ||
           FieldText(before.dialup_server_password) != FieldText(after.dialup_server_password);
}

}  // namespace orvane
