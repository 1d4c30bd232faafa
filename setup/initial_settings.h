// The settings and system entries an installation writes: the first
// settings merged with an earlier installation's, the installation values,
// App Paths, the Uninstall entry and the event sources. Goes through
// TheRegistry() and, for the installed size, TheFileSystem().
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_record.h"

namespace orvane {

// The version the Uninstall entry shows, from the build.
#ifdef ORVANE_VERSION_TEXT
constexpr char kSetupVersionText[] = ORVANE_VERSION_TEXT;
#else
#error "ORVANE_VERSION_TEXT comes from the top-level build"
#endif

constexpr char kPublisherName[] = "Pellmoor";

constexpr char kAppPathsKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orvane.exe";
constexpr char kUninstallKeyPath[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane";
constexpr char kEventSourceKeyPath[] =
    "System\\CurrentControlSet\\Services\\EventLog\\Application\\Orvane\\";
// The Orvane Time Service's own source (kTimeServiceEventSourceName).
constexpr char kTimeServiceEventSourceKeyPath[] =
    "System\\CurrentControlSet\\Services\\EventLog\\Application\\Orvane Time Service\\";
constexpr char kEventMessageFileName[] = "Orvane Event Log Interface.dll";
// Error, warning and information entries.
constexpr int kEventTypesSupported = 7;

// A first installation's settings; `Launch program at startup` follows the
// wizard's check box.
SettingsRecord InitialSettingsRecord(bool launch_at_startup);

// Carries the earlier version's values (`ForceUp`, `GainingAddress`,
// `ReceiveBroadcast`, `Machine Name`, `MachineAddress`, `UpdateEvery`,
// `DialUp`) from the user key into the record; missing ones change nothing.
void ReadEarlierVersionValues(SettingsRecord& record);

// Then this version's own user and machine values over it, all but
// `Launch program at startup`, which keeps the record's value.
void ReadInstalledSettings(SettingsRecord& record);

// The whole registry step of an installation into `install_folder`.
void WriteInitialSettingsAndSystemEntries(const std::string& install_folder,
                                          bool launch_at_startup);

// The size of the installed files in the folder, in kilobytes rounded up:
// the Uninstall entry's EstimatedSize. Goes through TheFileSystem().
std::uint32_t InstalledKilobytes(const std::string& install_folder);

// "Orvane <version>", the name the control panel lists.
std::string UninstallDisplayName();

}  // namespace orvane
