// One update against the configured server and protocol: resolve the
// server, run the exchange, keep the outcome in the last-update record and,
// for an update the user asked for, tell the user how it went.
#pragma once

namespace orvane {

// The exchanges' time limit for SNTP and TIME/UDP.
constexpr int kUpdateTimeoutMs = 2000;

// 1 when the clock was set, 0 otherwise. Never runs twice at the same time:
// a second caller waits until the first has finished (message box included).
int RunUpdate();

// 1 while an update the user asked for is pending.
void SetManualUpdateFlag(int value);
int ManualUpdateFlag();

}  // namespace orvane
