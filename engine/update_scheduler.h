// When updates run and what has to happen first: the update thread, its
// rounds, the dial decision and the retries of automatic updates.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "engine/update_execution.h"
#include "engine/update_semaphore.h"

namespace orvane {

// Outcomes of the connection decision.
constexpr int kRoundDialFailed = 0;    // dialling was needed and did not start
constexpr int kRoundDialStarted = 1;   // the update follows ConnectedByOrvane
constexpr int kRoundGoAhead = 2;       // no dialling needed
constexpr int kRoundNotConnected = 3;  // not connected, dialling not allowed

// The shortest pause between rounds, whatever "Update interval" says.
constexpr std::int64_t kMinimumUpdatePauseMs = 60000;
// The longest single wait on the semaphore: a longer pause is waited out in
// pieces, so no time limit overflows the clocks it is converted to.
constexpr std::int64_t kLongestWaitPieceMs = 86400000;

// Sets the stop flag to 0, creates the update semaphore and starts the
// update thread (detached: nothing waits for it). A failure ends the
// program through the fatal-error report.
void StartUpdateThread();
// Sets the stop flag and releases the semaphore once; does not wait.
void StopUpdateThread();
// Releases the semaphore once: one extra pass of the update thread.
void WakeUpdateThread();
// Marks an update as asked for by the user and wakes the update thread.
void RequestManualUpdate();

// One round: 1 when the clock was set or a dial was started, else 0.
// `manual`: the user's request, taken from the flag for this round (a dial
// it starts puts it back for the update that follows the connection). An
// automatic round asks nothing of a server that has refused us.
int UpdateRound(bool manual);
// What the connection asks for; one of the outcomes above.
int ConnectionDecision();
// An automatic round's up to three attempts, logging each failure; 1 on the
// first success. An attempt that ends the round (a kiss code, a refused
// clock) is the last.
int UpdateWithRetries();
// The pause after a round, in milliseconds: the set interval, longer after
// the server's RATE answers and after rounds it left unanswered, with up to
// a tenth more at random.
std::int64_t UpdatePauseMs();
// Waits out a pause on the semaphore, in pieces of at most
// kLongestWaitPieceMs measured on its clock; true when a release ended it.
bool WaitOutPause(UpdateSemaphore& semaphore, std::int64_t pause_ms);

// Runs one update the way the scheduler does (RunUpdate unless a test
// put another runner in its place).
UpdateOutcome RunUpdateForScheduler(bool manual);

// Test seams. The factory makes the semaphore of the next
// StartUpdateThread (null: the real one); the runner stands in for
// RunUpdate (null: RunUpdate).
using UpdateSemaphoreFactory = std::function<std::shared_ptr<UpdateSemaphore>()>;
void SetUpdateSemaphoreFactory(UpdateSemaphoreFactory factory);
void SetUpdateRunner(std::function<UpdateOutcome(bool manual)> runner);
// The random number (0 to 999) that spreads each pause (null: a generator
// seeded from the system's entropy).
void SetPauseSpreadSource(std::function<int()> source);
// Waits before each retry instead of the semaphore or a sleep (null: those);
// false ends the round.
void SetRetryWaiter(std::function<bool(std::uint32_t wait_ms)> waiter);
// The wait before a retry: the repeat spacing, none for a stand-in runner.
std::uint32_t RetryWaitForScheduler();
// Waits up to timeout_ms for every update thread to end; true if they did.
bool WaitForUpdateThreadsToEnd(int timeout_ms);

}  // namespace orvane
