// The two texts every writer uses for a moment: the user's short date,
// a blank, then the time of day with or without milliseconds.
#pragma once

#include <string>

#include "platform/clock_types.h"

namespace orvane {

// "%s %02d:%02d:%02d.%03d"
std::string TimestampText(const SystemTime& time);
// "%s %02d:%02d:%02d"
std::string ShortTimestampText(const SystemTime& time);

}  // namespace orvane
