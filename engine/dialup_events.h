// The engine's answer to dial-up events: link-state changes, log entries,
// the update that follows the program's own dial, and messages.
#pragma once

namespace orvane {

// Registered with the dial-up module; runs on whichever thread raised the
// event, and may be entered again on the same thread (the hang-up after
// the program's own dial raises 22501 from inside 22500).
void DialupEventHandler(int event);

}  // namespace orvane
