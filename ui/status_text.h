// The texts the status dialog shows for a last-update record, apart from
// the window system.
#pragma once

#include <string>

#include "engine/last_update_record.h"

namespace orvane {

constexpr char kNotAvailableText[] = "[Not available]";
constexpr char kNotApplicableText[] = "[not applicable]";

struct StatusFieldTexts {
    std::string server_name;     // 5202
    std::string server_address;  // 5204
    std::string time_before;     // 5206
    std::string time_after;      // 5208
    std::string delay;           // 5210
    std::string version;         // 5212
    std::string protocol;        // 5214
    std::string stratum;         // 5216
    std::string link_text;       // 5218
};

// "SNTP", "TIME (UDP)", "TIME (TCP)", "SNTP broadcast" or "[unknown]".
std::string ProtocolText(int protocol);

StatusFieldTexts StatusTextsFor(const LastUpdateRecord& record);

}  // namespace orvane
