#include "settings/configuration_dump.h"

#include "platform/os_errors.h"
#include "settings/ipv4_text.h"

namespace orvane {

namespace {

void Flag(std::string& out, const char* name, std::int32_t value) {
    out += name;
    out += value == 1 ? "true\n" : "false\n";
}

void Number(std::string& out, const char* name, std::int32_t value) {
    out += name;
    out += std::to_string(value);
    out += '\n';
}

// Values go in as they are: no format string ever sees them.
void Text(std::string& out, const char* name, const char* value) {
    out += name;
    out += value;
    out += '\n';
}

void Presence(std::string& out, const char* name, const char* value) {
    out += name;
    out += value[0] != '\0' ? "[exists]\n" : "[none]\n";
}

}  // namespace

std::string ConfigurationDumpText(const SettingsRecord& s) {
    std::string out;
    out.reserve(2048);
    Flag(out, "Show date=", s.show_date);
    Flag(out, "Always on top=", s.always_on_top);
    Flag(out, "Hide taskbar button=", s.hide_taskbar_button);
    Flag(out, "Hide in tray=", s.hide_in_tray);
    Flag(out, "Use dialup=", s.use_dialup);
    Flag(out, "Force dial=", s.force_dial);
    Flag(out, "Use server by name=", s.use_server_by_name);
    Flag(out, "Enable updates=", s.enable_updates);
    Flag(out, "Receive sntp broadcasts=", s.receive_sntp_broadcasts);
    Flag(out, "Enable logging=", s.enable_logging);
    Flag(out, "Write to event log=", s.write_to_event_log);
    Flag(out, "Delete old logfiles=", s.delete_old_logfiles);
    Flag(out, "Cap logfile folder size=", s.cap_logfile_folder_size);
    Flag(out, "Launch program at startup=", s.launch_program_at_startup);
    Number(out, "Window position x=", s.window_position_x);
    Number(out, "Window position y=", s.window_position_y);
    Number(out, "Window size x=", s.window_size_x);
    Number(out, "Window size y=", s.window_size_y);
    Number(out, "Update interval=", s.update_interval);
    Number(out, "Maximum logfile space=", s.maximum_logfile_space);
    Number(out, "Maximum logfile age=", s.maximum_logfile_age);
    Number(out, "Logging level=", s.logging_level);
    Number(out, "Protocol=", s.protocol);
    // Seconds, unsigned: the registry's DWORD as it is.
    out += "Largest correction=" + std::to_string(s.largest_correction) + "\n";
    Text(out, "Time font name=", s.time_font_name);
    Text(out, "Date font name=", s.date_font_name);
    Presence(out, "Dialup server name=", s.dialup_server_name);
    Presence(out, "Dialup server username=", s.dialup_server_username);
    Text(out, "Server name=", s.server_name);
    Text(out, "Logfile path=", s.logfile_path);
    Text(out, "Server ip address=", Ipv4AddressToText(s.server_address.address).c_str());
    out += '\n';
    out += IsNtPlatform() ? "Operating system=Windows NT/2000\n"
                          : "Operating system=Windows 95/98/ME\n";
    // A system that does not tell its version shows zeros.
    int major = 0, minor = 0, build = 0;
    GetOsVersion(&major, &minor, &build);
    out += "Version=" + std::to_string(major) + "." + std::to_string(minor) + " build " +
           std::to_string(build) + "\n";
    return out;
}

std::string TextModeBytes(const std::string& text) {
    std::string bytes;
    bytes.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            bytes += '\r';
        bytes += c;
    }
    return bytes;
}

bool WriteConfigurationDumpFile(const SettingsRecord& settings, FileSystem* file_system) {
    if (file_system == nullptr)
        return false;
    const std::string bytes = TextModeBytes(ConfigurationDumpText(settings));
    // Written anew: an old dump goes first; one that cannot go stops the
    // dump rather than being appended to.
    const int removed = file_system->RemoveFile(kConfigurationDumpPath);
    if (removed != 0 && removed != kErrorFileNotFound && removed != kErrorPathNotFound) {
        return false;
    }
    return file_system->AppendToFile(kConfigurationDumpPath, bytes);
}

}  // namespace orvane
