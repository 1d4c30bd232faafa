#include "dialup/link_text.h"

#include "logging/timestamp_text.h"

namespace orvane {

std::string FormatLinkText(int link_state, const SystemTime& link_change_time, int use_dialup) {
    const std::string since = ShortTimestampText(link_change_time);
    if (use_dialup != 1)
        return "Link active since " + since + " (permanent connection)";
    switch (link_state) {
        case kLinkActive:
            return "Link active since " + since;
        case kLinkInactive:
            return "Link inactive since " + since;
        case kLinkInactiveSinceStartup:
            return "Link inactive since program startup (" + since + ")";
        default:
            return "[Not available]";
    }
}

}  // namespace orvane
