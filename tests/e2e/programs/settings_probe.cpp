// Loads the settings from the real registry, prints them, and with "save"
// writes them back, for the end-to-end tests:
//   settings_probe [save]
// Output: one "name=value" line per field.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/win32/install_win32.h"
#include "settings/ipv4_text.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"
#include "settings/live_settings.h"

using namespace orvane;

int main(int argc, char** argv) {
    InstallWin32Platform("settings probe");
    SettingsRecord s;
    LoadSettings(s);
    std::printf("Show date=%d\nAlways on top=%d\nWindow size x=%d\nWindow size y=%d\n", s.show_date,
                s.always_on_top, s.window_size_x, s.window_size_y);
    std::printf("Update interval=%d\nProtocol=%d\nLogging level=%d\n", s.update_interval,
                s.protocol, s.logging_level);
    std::printf("Time font name=%s\nServer name=%s\nLogfile path=%s\n", s.time_font_name.bytes,
                s.server_name.bytes, s.logfile_path.bytes);
    std::printf("Dialup server name=%s\n", s.dialup_server_name.bytes);
    std::printf("Server ip address=%s\n", Ipv4AddressToText(s.server_address.address).c_str());
    if (argc > 1 && std::strcmp(argv[1], "save") == 0) {
        SaveSettings(s);
        std::printf("saved=1\n");
    }
    std::fflush(stdout);
    return 0;
}
