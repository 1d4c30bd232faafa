#include "setup/initial_settings.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <vector>

#include "platform/file_system.h"
#include "platform/registry.h"
#include "platform/fixed_text.h"
#include "settings/ipv4_text.h"
#include "settings/settings_store.h"
#include "setup/install_paths.h"

namespace orvane {

namespace {

// The earlier version's texts are read with at most 260 bytes.
constexpr int kEarlierTextReadLimit = 260;

void WriteInstallationValues(Registry& registry, const std::string& folder) {
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, kSettingsKeyPath, RegistryMode::kWrite, true,
                         &key) != 0) {
        return;
    }
    registry.WriteText(key, "Install directory", folder.c_str());
    registry.WriteNumber(key, "Program is installed", 1);
    registry.CloseKey(key);
}

void WriteAppPaths(Registry& registry, const std::string& folder) {
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, kAppPathsKeyPath, RegistryMode::kWrite, true,
                         &key) != 0) {
        return;
    }
    registry.WriteText(key, "", PathInFolder(folder, "Orvane.exe").c_str());
    registry.WriteText(key, "Path", folder.c_str());
    registry.CloseKey(key);
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

void WriteUninstallEntry(Registry& registry, const std::string& folder) {
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, kUninstallKeyPath, RegistryMode::kWrite, true,
                         &key) != 0) {
        return;
    }
    // Quoted: the default folder holds spaces, and the shell runs this as a
    // command line.
    const std::string uninstaller = QuotedPath(PathInFolder(folder, "Uninstall.exe"));
    registry.WriteText(key, "UninstallString", uninstaller.c_str());
    registry.WriteText(key, "QuietUninstallString", (uninstaller + " /quiet").c_str());
    registry.WriteText(key, "DisplayName", UninstallDisplayName().c_str());
    registry.WriteText(key, "DisplayVersion", kSetupVersionText);
    registry.WriteText(key, "Publisher", kPublisherName);
    registry.WriteText(key, "DisplayIcon", (PathInFolder(folder, "Orvane.exe") + ",0").c_str());
    registry.WriteText(key, "InstallLocation", folder.c_str());
    registry.WriteNumber(key, "EstimatedSize",
                         static_cast<std::int32_t>(InstalledKilobytes(folder)));
    // Setup offers no change or repair of an installation.
    registry.WriteNumber(key, "NoModify", 1);
    registry.WriteNumber(key, "NoRepair", 1);
    registry.CloseKey(key);
}

void WriteEventSource(Registry& registry, const char* key_path, const std::string& folder) {
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, key_path, RegistryMode::kWrite, true, &key) !=
        0) {
        return;
    }
    registry.WriteText(key, "EventMessageFile",
                       PathInFolder(folder, kEventMessageFileName).c_str());
    registry.WriteNumber(key, "TypesSupported", kEventTypesSupported);
    registry.CloseKey(key);
}

}  // namespace

SettingsRecord InitialSettingsRecord(bool launch_at_startup) {
    SettingsRecord r;
    r.show_date = 1;
    r.always_on_top = 0;
    r.hide_taskbar_button = 1;
    r.hide_in_tray = 0;
    r.use_dialup = 0;
    r.force_dial = 0;
    r.use_server_by_name = 0;
    r.enable_updates = 0;
    r.receive_sntp_broadcasts = 1;
    r.enable_logging = 0;
    r.write_to_event_log = 0;
    r.delete_old_logfiles = 0;
    r.cap_logfile_folder_size = 0;
    r.launch_program_at_startup = launch_at_startup ? 1 : 0;
    r.window_position_x = 10;
    r.window_position_y = 10;
    r.window_size_x = 150;
    r.window_size_y = 80;
    r.update_interval = 300;
    r.maximum_logfile_space = 10;
    r.maximum_logfile_age = 7;
    r.logging_level = 1;
    r.protocol = kProtocolSntp;
    CopyToField(r.time_font_name, "Arial");
    CopyToField(r.date_font_name, "Arial");
    r.server_address.address = 0;  // 0.0.0.0
    CopyToField(r.logfile_path, "C:\\Data Files\\Pellmoor\\Orvane");
    return r;
}

void ReadEarlierVersionValues(SettingsRecord& record) {
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kUser, kSettingsKeyPath, RegistryMode::kRead, false,
                         &key) != 0) {
        return;
    }
    registry.ReadNumber(key, "ForceUp", &record.force_dial);
    registry.ReadNumber(key, "GainingAddress", &record.use_server_by_name);
    registry.ReadNumber(key, "ReceiveBroadcast", &record.receive_sntp_broadcasts);
    ReadTextField(registry, key, "Machine Name", record.server_name);
    char address_text[kEarlierTextReadLimit] = {};
    if (ReadTextField(registry, key, "MachineAddress", address_text) == 0) {
        record.server_address.address = Ipv4TextToAddress(address_text);
    }
    registry.ReadNumber(key, "UpdateEvery", &record.update_interval);
    registry.ReadNumber(key, "DialUp", &record.use_dialup);
    registry.CloseKey(key);
}

void ReadInstalledSettings(SettingsRecord& record) {
    // Load settings reads the user part and then the machine part, as the
    // merge wants; only the check box's choice must survive it.
    const std::int32_t launch = record.launch_program_at_startup;
    LoadSettings(record);
    record.launch_program_at_startup = launch;
}

void WriteInitialSettingsAndSystemEntries(const std::string& install_folder,
                                          bool launch_at_startup) {
    SettingsRecord record = InitialSettingsRecord(launch_at_startup);
    ReadEarlierVersionValues(record);
    ReadInstalledSettings(record);
    SaveSettings(record);

    Registry& registry = TheRegistry();
    WriteInstallationValues(registry, install_folder);
    WriteAppPaths(registry, install_folder);
    WriteUninstallEntry(registry, install_folder);
    WriteEventSource(registry, kEventSourceKeyPath, install_folder);
    // The service's entries carry their own source, so the log tells them
    // apart from the program's; same library, same message.
    WriteEventSource(registry, kTimeServiceEventSourceKeyPath, install_folder);
}

std::uint32_t InstalledKilobytes(const std::string& install_folder) {
    const std::vector<InstalledFile> installed = FilesToInstall(true);
    std::uint64_t bytes = 0;
    for (const FileEntry& file : TheFileSystem().ListFiles(PathInFolder(install_folder, "*"))) {
        for (const InstalledFile& name : installed) {
            if (SameNameIgnoringCase(file.name, name.name))
                bytes += file.size;
        }
    }
    return static_cast<std::uint32_t>((bytes + 1023) / 1024);
}

std::string UninstallDisplayName() {
    return std::string("Orvane ") + kSetupVersionText;
}

}  // namespace orvane
