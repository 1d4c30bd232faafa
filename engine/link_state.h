// The state of the internet link as the engine tracks it (active, inactive,
// inactive since start-up) and the local time it last changed; the status
// dialog shows it through the last-update record's link text.
#pragma once

#include <string>

#include "engine/last_update_record.h"

namespace orvane {

// Stores the local time now as the link change time.
void SetLinkChangeTimeNow();
void SetLinkState(int state);
int LinkState();

// The link text for the state, time and "Use dialup" as they are now.
std::string CurrentLinkText();
// Writes CurrentLinkText() into the last-update record; returns a copy of
// the record.
LastUpdateRecord RebuildLinkText();

}  // namespace orvane
