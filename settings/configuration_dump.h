// The configuration dump for support: every setting (the dial-up account
// only as "[exists]" or "[none]", the password never) and the operating
// system's version, written anew to a fixed file in text mode.
#pragma once

#include <string>

#include "platform/file_system.h"
#include "platform/os_version.h"
#include "settings/settings_record.h"

namespace orvane {

constexpr char kConfigurationDumpPath[] = "c:\\Orvane configuration.txt";
constexpr char kConfigurationDumpMessage[] =
    "Configuration and operating system version written to \"C:\\Orvane configuration.txt\".";

// The dump's text with "\n" line ends, as built in memory.
std::string ConfigurationDumpText(const SettingsRecord& settings);

// Text-mode output: every line feed written as carriage return and line
// feed.
std::string TextModeBytes(const std::string& text);

// Replaces the dump file with the text-mode bytes of the dump. False when
// the file could not be written (no file system, an old file that cannot be
// removed, or a failed write); the caller then shows nothing.
bool WriteConfigurationDumpFile(const SettingsRecord& settings, FileSystem* file_system);

}  // namespace orvane
