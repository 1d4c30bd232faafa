#include "ui/status_text.h"

#include <cstdint>

#include "logging/timestamp_text.h"
#include "platform/fixed_text.h"
#include "platform/sockets.h"
#include "settings/settings_record.h"

namespace orvane {

std::string ProtocolText(int protocol) {
    switch (protocol) {
        case kProtocolSntp:
            return "SNTP";
        case kProtocolTimeUdp:
            return "TIME (UDP)";
        case kProtocolTimeTcp:
            return "TIME (TCP)";
        case kProtocolSntpBroadcast:
            return "SNTP broadcast";
        default:
            return "[unknown]";
    }
}

StatusFieldTexts StatusTextsFor(const LastUpdateRecord& r) {
    StatusFieldTexts t;
    t.link_text = FieldText(r.link_text);
    if (r.valid != 1) {
        t.server_name = t.server_address = t.time_before = t.time_after = t.delay = t.version =
            t.protocol = t.stratum = kNotAvailableText;
        return t;
    }
    // Only SNTP carries milliseconds, a version and a stratum.
    const bool sntp = r.protocol == kProtocolSntp || r.protocol == kProtocolSntpBroadcast;
    t.server_name = FieldText(r.server_name);
    t.server_address = net::AddressText(r.server_address);
    t.time_before = sntp ? TimestampText(r.time_before) : ShortTimestampText(r.time_before);
    t.time_after = sntp ? TimestampText(r.time_after) : ShortTimestampText(r.time_after);
    t.delay = r.protocol == kProtocolSntpBroadcast
                  ? std::string(kNotApplicableText)
                  : std::to_string(r.round_trip_delay) + " Milliseconds";
    t.version = sntp ? std::to_string(static_cast<std::uint32_t>(r.version_number))
                     : std::string(kNotApplicableText);
    t.protocol = ProtocolText(r.protocol);
    t.stratum = sntp ? std::to_string(r.stratum) : std::string(kNotApplicableText);
    return t;
}

}  // namespace orvane
