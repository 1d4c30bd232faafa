// One update against the configured server and protocol: resolve the
// server, run the exchange, keep the outcome in the last-update record and,
// for an update the user asked for, tell the user how it went.
#pragma once

#include <cstdint>

namespace orvane {

// The exchanges' time limit for SNTP and TIME/UDP.
constexpr int kUpdateTimeoutMs = 2000;

// What one update came to.
enum class UpdateOutcome {
    kClockSet,
    kFailed,          // another try may do better
    kFailedForRound,  // the server sent a kiss code, or the clock refused
                      // the time: another try now would end the same way
    kFailedSilently,  // no address answered, and the round may ask no more
};

// Never runs twice at the same time: a second caller waits until the first
// has finished. `manual`: the user asked for it (the request taken from the
// flag below). The success box of a manual update is only asked for: the
// user-interface thread shows it, and the update does not wait for it.
UpdateOutcome RunUpdate(bool manual);

// The next automatic update is a later try of the round the last one
// began: it goes on through the addresses found then, where any other
// update looks the server's name up afresh.
void ContinueAutomaticRound();
// How long the round's next try must wait so that no address is asked
// again sooner than the repeat spacing allows (0: at once).
std::uint32_t WaitBeforeNextTryMs();

// Engine start: the next automatic round that sets the clock may make any
// correction the build date allows, as the first one does.
void ForgetFirstAutomaticUpdate();

// 1 while an update the user asked for is pending.
void SetManualUpdateFlag(int value);
int ManualUpdateFlag();
// Takes the pending request (one atomic exchange, so a click that comes
// after it stays pending for the next round): 1 when there was one.
int TakeManualUpdateFlag();

}  // namespace orvane
