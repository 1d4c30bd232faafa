// The description of the internet link that the status dialog shows.
#pragma once

#include <string>

#include "platform/clock_types.h"

namespace orvane {

// Link states.
constexpr int kLinkActive = 0;
constexpr int kLinkInactive = 1;
constexpr int kLinkInactiveSinceStartup = 2;

// The text for a link state and the local time it last changed. Without
// dial-up (use_dialup not 1) the link counts as permanent whatever the
// state.
std::string FormatLinkText(int link_state, const SystemTime& link_change_time, int use_dialup);

}  // namespace orvane
