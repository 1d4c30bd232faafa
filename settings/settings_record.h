// Every configurable value of the program, one record per process. A flag
// counts as on only when it equals 1. Texts are zero-terminated UTF-8 in
// fixed fields whose limits count UTF-16 units with the terminator, as
// Windows counts them.
#pragma once

#include <cstdint>

#include "platform/fixed_text.h"
#include "platform/sockets.h"

namespace orvane {

// Limits in UTF-16 units, terminator included: LF_FACESIZE, a dial-up
// entry's texts, MAX_PATH.
constexpr int kFontNameCapacity = 32;
constexpr int kDialupTextCapacity = 257;
constexpr int kPathCapacity = 260;
using FontNameField = TextField<kFontNameCapacity>;
using DialupTextField = TextField<kDialupTextCapacity>;
using PathField = TextField<kPathCapacity>;
// `Largest correction`: 48 hours, the most Windows' own time service
// corrects on its own.
constexpr std::uint32_t kDefaultLargestCorrectionSeconds = 172800;

struct SettingsRecord {
    std::int32_t show_date = 0;
    std::int32_t always_on_top = 0;
    std::int32_t hide_taskbar_button = 0;
    std::int32_t hide_in_tray = 0;
    std::int32_t use_dialup = 0;
    std::int32_t force_dial = 0;
    std::int32_t use_server_by_name = 0;
    std::int32_t enable_updates = 0;
    std::int32_t receive_sntp_broadcasts = 0;
    std::int32_t enable_logging = 0;
    std::int32_t write_to_event_log = 0;
    std::int32_t delete_old_logfiles = 0;
    std::int32_t cap_logfile_folder_size = 0;
    std::int32_t launch_program_at_startup = 0;
    std::int32_t window_position_x = 0;
    std::int32_t window_position_y = 0;
    std::int32_t window_size_x = 0;
    std::int32_t window_size_y = 0;
    std::int32_t update_interval = 0;        // minutes
    std::int32_t maximum_logfile_space = 0;  // megabytes
    std::int32_t maximum_logfile_age = 0;    // days
    std::int32_t logging_level = 0;          // 0 Minimum, 1 Medium, 2 Maximum
    std::int32_t protocol = 0;               // 1 SNTP, 2 TIME/UDP, 3 TIME/TCP
    // The largest correction automatic rounds and broadcasts make, in
    // seconds; 0: no limit.
    std::uint32_t largest_correction = kDefaultLargestCorrectionSeconds;
    FontNameField time_font_name = {};
    FontNameField date_font_name = {};
    DialupTextField dialup_server_name = {};
    DialupTextField dialup_server_username = {};
    DialupTextField dialup_server_password = {};
    PathField server_name = {};
    PathField logfile_path = {};
    net::SocketAddress server_address;  // stored as "Server ip address"
};

// Protocol numbers; 4 appears only in the last-update record.
constexpr int kProtocolSntp = 1;
constexpr int kProtocolTimeUdp = 2;
constexpr int kProtocolTimeTcp = 3;
constexpr int kProtocolSntpBroadcast = 4;

inline bool IsOn(std::int32_t flag) {
    return flag == 1;
}

}  // namespace orvane
