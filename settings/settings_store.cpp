#include "settings/settings_store.h"

#include <string>

#include "platform/registry.h"
#include "platform/fixed_text.h"
#include "settings/ipv4_text.h"

namespace orvane {

namespace {

// Texts are read with their field's limit in UTF-16 units, terminator
// included, except the dial-up fields: they hold 257 units but are read
// with 256.
constexpr int kDialupTextReadLimit = 256;
// "255.255.255.255" and its terminator.
constexpr int kAddressTextCapacity = 16;

void LoadUserPart(Registry& registry, const char* key_path, SettingsRecord& r) {
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kUser, key_path, RegistryMode::kRead, false, &key) != 0) {
        return;
    }
    registry.ReadNumber(key, "Always on top", &r.always_on_top);
    registry.ReadNumber(key, "Show date", &r.show_date);
    registry.ReadNumber(key, "Hide in tray", &r.hide_in_tray);
    registry.ReadNumber(key, "Hide taskbar button", &r.hide_taskbar_button);
    registry.ReadNumber(key, "Window position x", &r.window_position_x);
    registry.ReadNumber(key, "Window position y", &r.window_position_y);
    registry.ReadNumber(key, "Window size x", &r.window_size_x);
    registry.ReadNumber(key, "Window size y", &r.window_size_y);
    ReadTextField(registry, key, "Time font name", r.time_font_name);
    ReadTextField(registry, key, "Date font name", r.date_font_name);
    registry.CloseKey(key);
}

void LoadMachinePart(Registry& registry, const char* key_path, SettingsRecord& r) {
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, key_path, RegistryMode::kRead, false, &key) !=
        0) {
        return;
    }
    registry.ReadNumber(key, "Enable logging", &r.enable_logging);
    registry.ReadNumber(key, "Write to event log", &r.write_to_event_log);
    char address_text[kAddressTextCapacity] = {};
    if (ReadTextField(registry, key, "Server ip address", address_text) == 0) {
        // Only the address is stored; family and port stay as they were.
        r.server_address.address = Ipv4TextToAddress(address_text);
    }
    ReadTextField(registry, key, "Server name", r.server_name);
    registry.ReadNumber(key, "Use server by name", &r.use_server_by_name);
    registry.ReadNumber(key, "Update interval", &r.update_interval);
    registry.ReadNumber(key, "Enable updates", &r.enable_updates);
    registry.ReadNumber(key, "Use dialup", &r.use_dialup);
    registry.ReadNumber(key, "Force dial", &r.force_dial);
    ReadTextField(registry, key, "Dialup server name", r.dialup_server_name, kDialupTextReadLimit);
    ReadTextField(registry, key, "Dialup server username", r.dialup_server_username,
                  kDialupTextReadLimit);
    ReadTextField(registry, key, "Dialup server password", r.dialup_server_password,
                  kDialupTextReadLimit);
    registry.ReadNumber(key, "Receive sntp broadcasts", &r.receive_sntp_broadcasts);
    registry.ReadNumber(key, "Logging level", &r.logging_level);
    registry.ReadNumber(key, "Delete old logfiles", &r.delete_old_logfiles);
    registry.ReadNumber(key, "Cap logfile folder size", &r.cap_logfile_folder_size);
    registry.ReadNumber(key, "Maximum logfile age", &r.maximum_logfile_age);
    registry.ReadNumber(key, "Maximum logfile space", &r.maximum_logfile_space);
    ReadTextField(registry, key, "Logfile path", r.logfile_path);
    registry.ReadNumber(key, "Protocol", &r.protocol);
    registry.ReadNumber(key, "Launch program at startup", &r.launch_program_at_startup);
    // A DWORD of seconds: read as its bits.
    std::int32_t largest_correction = static_cast<std::int32_t>(r.largest_correction);
    if (registry.ReadNumber(key, "Largest correction", &largest_correction) == 0)
        r.largest_correction = static_cast<std::uint32_t>(largest_correction);
    registry.CloseKey(key);
}

void SaveUserPart(Registry& registry, const char* key_path, const SettingsRecord& r) {
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kUser, key_path, RegistryMode::kWrite, true, &key) != 0) {
        return;
    }
    registry.WriteNumber(key, "Always on top", r.always_on_top);
    registry.WriteNumber(key, "Show date", r.show_date);
    registry.WriteNumber(key, "Hide in tray", r.hide_in_tray);
    registry.WriteNumber(key, "Hide taskbar button", r.hide_taskbar_button);
    registry.WriteNumber(key, "Window position x", r.window_position_x);
    registry.WriteNumber(key, "Window position y", r.window_position_y);
    // Spelled with a small w since the first release; the registry matches
    // names without regard to case, so load still finds it.
    registry.WriteNumber(key, "window size x", r.window_size_x);
    registry.WriteNumber(key, "Window size y", r.window_size_y);
    registry.WriteText(key, "Time font name", FieldText(r.time_font_name).c_str());
    registry.WriteText(key, "Date font name", FieldText(r.date_font_name).c_str());
    registry.CloseKey(key);
}

bool SaveMachinePart(Registry& registry, const char* key_path, const SettingsRecord& r) {
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, key_path, RegistryMode::kWrite, true, &key) !=
        0) {
        // A user without administrator rights: the machine part stays as it
        // was.
        return false;
    }
    int failures = 0;
    const auto Count = [&failures](int code) { failures += code != 0 ? 1 : 0; };
    Count(registry.WriteNumber(key, "Enable logging", r.enable_logging));
    Count(registry.WriteNumber(key, "Write to event log", r.write_to_event_log));
    Count(registry.WriteText(key, "Server ip address",
                             Ipv4AddressToText(r.server_address.address).c_str()));
    Count(registry.WriteText(key, "Server name", FieldText(r.server_name).c_str()));
    Count(registry.WriteNumber(key, "Use server by name", r.use_server_by_name));
    Count(registry.WriteNumber(key, "Update interval", r.update_interval));
    Count(registry.WriteNumber(key, "Enable updates", r.enable_updates));
    Count(registry.WriteNumber(key, "Use dialup", r.use_dialup));
    Count(registry.WriteNumber(key, "Force dial", r.force_dial));
    Count(registry.WriteText(key, "Dialup server name", FieldText(r.dialup_server_name).c_str()));
    Count(registry.WriteText(key, "Dialup server username",
                             FieldText(r.dialup_server_username).c_str()));
    Count(registry.WriteText(key, "Dialup server password",
                             FieldText(r.dialup_server_password).c_str()));
    Count(registry.WriteNumber(key, "Receive sntp broadcasts", r.receive_sntp_broadcasts));
    Count(registry.WriteNumber(key, "Logging level", r.logging_level));
    Count(registry.WriteNumber(key, "Delete old logfiles", r.delete_old_logfiles));
    Count(registry.WriteNumber(key, "Cap logfile folder size", r.cap_logfile_folder_size));
    Count(registry.WriteNumber(key, "Maximum logfile age", r.maximum_logfile_age));
    Count(registry.WriteNumber(key, "Maximum logfile space", r.maximum_logfile_space));
    Count(registry.WriteText(key, "Logfile path", FieldText(r.logfile_path).c_str()));
    Count(registry.WriteNumber(key, "Protocol", r.protocol));
    Count(registry.WriteNumber(key, "Launch program at startup", r.launch_program_at_startup));
    Count(registry.WriteNumber(key, "Largest correction",
                               static_cast<std::int32_t>(r.largest_correction)));
    registry.CloseKey(key);
    return failures == 0;
}

}  // namespace

std::string ReadInstallFolder() {
    PathField folder = {};
    CopyToField(folder, kDefaultInstallFolder);
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, kSettingsKeyPath, RegistryMode::kRead, false,
                         &key) == kErrorSuccess) {
        // A failed read leaves the default in place.
        ReadTextField(registry, key, "Install directory", folder);
        registry.CloseKey(key);
    }
    return FieldText(folder);
}

void LoadSettingsFromKey(const char* key_path, SettingsRecord& record) {
    Registry& registry = TheRegistry();
    LoadUserPart(registry, key_path, record);
    LoadMachinePart(registry, key_path, record);
}

bool SaveSettingsToKey(const char* key_path, const SettingsRecord& record) {
    Registry& registry = TheRegistry();
    SaveUserPart(registry, key_path, record);
    return SaveMachinePart(registry, key_path, record);
}

void LoadSettings(SettingsRecord& record) {
    LoadSettingsFromKey(kSettingsKeyPath, record);
}

bool SaveSettings(const SettingsRecord& record) {
    return SaveSettingsToKey(kSettingsKeyPath, record);
}

void SaveUserSettings(const SettingsRecord& record) {
    SaveUserPart(TheRegistry(), kSettingsKeyPath, record);
}

}  // namespace orvane
