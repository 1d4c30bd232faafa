#include "engine/update_scheduler.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <random>
#include <string>
#include <system_error>
#include <thread>

#include "dialup/dialup_module.h"
#include "engine/server_kisses.h"
#include "engine/silent_server.h"
#include "engine/update_execution.h"
#include "logging/error_window.h"
#include "logging/event_log_entry.h"
#include "logging/fatal_error.h"
#include "logging/log_levels.h"
#include "engine/engine_ui_sink.h"
#include "platform/last_error.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

std::atomic<int> stop_flag{0};
std::atomic<int> running_threads{0};

struct SchedulerState {
    std::mutex mutex;
    std::shared_ptr<UpdateSemaphore> semaphore;
    UpdateSemaphoreFactory factory;
    std::function<UpdateOutcome(bool)> runner;
    std::function<int()> spread_source;
    std::function<bool(std::uint32_t)> retry_waiter;
};

SchedulerState& State() {
    static SchedulerState* state = new SchedulerState;  // never destroyed: threads outlive main
    return *state;
}

void WriteEventLogIfOn(const std::string& text) {
    if (IsOn(CurrentSettings().write_to_event_log))
        WriteEventLogEntry(text, kEventSeverityError);
}

std::string DialFailureText() {
    DialupModule& dialup = TheDialupModule();
    return "Unable to dial \"" + dialup.GetDialEntryName() + "\".  " + dialup.GetDialErrorText();
}

// The pause the settings ask for between automatic rounds.
std::int64_t SetPauseMs() {
    const std::int64_t pause = static_cast<std::int64_t>(CurrentSettings().update_interval) * 60000;
    // An interval of 0 or less would make rounds follow each other without
    // a pause, hammering the server.
    return pause < kMinimumUpdatePauseMs ? kMinimumUpdatePauseMs : pause;
}

// The update thread's semaphore, on that thread only: a retry's wait
// there ends early for a stop or the user's request.
thread_local UpdateSemaphore* retry_semaphore = nullptr;

// Waits `wait_ms` before a retry; false when the round should end instead
// (a stop, or a release for the user's request, which is handed back so the
// thread's next pause ends at once).
bool WaitBeforeRetry(std::uint32_t wait_ms) {
    if (wait_ms == 0)
        return true;
    std::function<bool(std::uint32_t)> waiter;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        waiter = State().retry_waiter;
    }
    if (waiter)
        return waiter(wait_ms);
    if (retry_semaphore != nullptr) {
        if (WaitOutPause(*retry_semaphore, wait_ms)) {
            retry_semaphore->Release();
            return false;
        }
        return stop_flag.load() == 0;
    }
    // Another thread (a dial-up event's): only a stop ends the wait early.
    constexpr std::uint32_t kPieceMs = 100;
    for (std::uint32_t waited = 0; waited < wait_ms; waited += kPieceMs) {
        if (stop_flag.load() != 0)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(kPieceMs, wait_ms - waited)));
    }
    return stop_flag.load() == 0;
}

void UpdateThread(std::shared_ptr<UpdateSemaphore> semaphore) {
    retry_semaphore = semaphore.get();
    // While a server's RATE answers stretch the pause, an early wake-up (the
    // user's own connection, changed settings) must not ask it before the
    // pause is over; a manual update still asks.
    std::int64_t rate_pause_end = 0;
    while (stop_flag.load() == 0) {
        // An administrator's policy holds from this round on.
        RefreshPolicySettings();
        // Taken once for the round: a click while it runs sets the flag
        // again and ends the pause after it, so it is never lost.
        const bool manual = TakeManualUpdateFlag() == 1;
        if (IsOn(CurrentSettings().enable_updates) || manual) {
            const std::int64_t now = semaphore->NowMs();
            if (!manual && now < rate_pause_end) {
                WaitOutPause(*semaphore, rate_pause_end - now);
                continue;
            }
            UpdateRound(manual);
            const std::int64_t set_pause = SetPauseMs();
            const std::int64_t rate_pause = PauseAfterKisses(set_pause);
            rate_pause_end = rate_pause > set_pause ? semaphore->NowMs() + rate_pause : 0;
            WaitOutPause(*semaphore, UpdatePauseMs());
        } else {
            semaphore->Wait(kWaitForever);
        }
    }
    {
        // Later wake-ups find no semaphore and do nothing.
        std::lock_guard<std::mutex> lock(State().mutex);
        if (State().semaphore == semaphore)
            State().semaphore.reset();
    }
    running_threads.fetch_sub(1);
}

// A number from 0 to 999 for the pause's spread.
int PauseSpread() {
    std::function<int()> source;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        source = State().spread_source;
    }
    if (source)
        return source();
    static std::mutex generator_mutex;
    static std::mt19937 generator{std::random_device{}()};
    std::lock_guard<std::mutex> lock(generator_mutex);
    return std::uniform_int_distribution<int>(0, 999)(generator);
}

}  // namespace

std::int64_t UpdatePauseMs() {
    return SpreadPause(PauseAfterSilence(PauseAfterKisses(SetPauseMs())), PauseSpread());
}

void SetPauseSpreadSource(std::function<int()> source) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().spread_source = std::move(source);
}

bool WaitOutPause(UpdateSemaphore& semaphore, std::int64_t pause_ms) {
    const std::int64_t end = semaphore.NowMs() + pause_ms;
    for (std::int64_t left = pause_ms; left > 0; left = end - semaphore.NowMs()) {
        if (semaphore.Wait(std::min(left, kLongestWaitPieceMs)))
            return true;
    }
    return false;
}

void SetUpdateSemaphoreFactory(UpdateSemaphoreFactory factory) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().factory = std::move(factory);
}

void SetUpdateRunner(std::function<UpdateOutcome(bool manual)> runner) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().runner = std::move(runner);
}

UpdateOutcome RunUpdateForScheduler(bool manual) {
    std::function<UpdateOutcome(bool)> runner;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        runner = State().runner;
    }
    return runner ? runner(manual) : RunUpdate(manual);
}

std::uint32_t RetryWaitForScheduler() {
    {
        // A stand-in for the update asked no server.
        std::lock_guard<std::mutex> lock(State().mutex);
        if (State().runner)
            return 0;
    }
    return WaitBeforeNextTryMs();
}

void SetRetryWaiter(std::function<bool(std::uint32_t wait_ms)> waiter) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().retry_waiter = std::move(waiter);
}

void StartUpdateThread() {
    stop_flag.store(0);
    std::shared_ptr<UpdateSemaphore> semaphore;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        semaphore =
            State().factory ? State().factory() : std::make_shared<CountingUpdateSemaphore>();
        State().semaphore = semaphore;
    }
    if (!semaphore)
        ReportFatalErrorWithCode("Unable to create mutex");

    running_threads.fetch_add(1);
    try {
        std::thread(UpdateThread, semaphore).detach();
    } catch (const std::system_error& e) {
        running_threads.fetch_sub(1);
        SetLastErrorCode(e.code().value());
        ReportFatalErrorWithCode("Unable to create thread");
    }
}

void StopUpdateThread() {
    stop_flag.store(1);
    WakeUpdateThread();
}

void WakeUpdateThread() {
    std::shared_ptr<UpdateSemaphore> semaphore;
    {
        std::lock_guard<std::mutex> lock(State().mutex);
        semaphore = State().semaphore;
    }
    if (semaphore)
        semaphore->Release();
}

void RequestManualUpdate() {
    SetManualUpdateFlag(1);
    WakeUpdateThread();
}

int ConnectionDecision() {
    const SettingsRecord settings = CurrentSettings();
    DialupModule& dialup = TheDialupModule();
    if (!IsOn(settings.use_dialup) || dialup.GetConnectionState() != kConnectionStateNotConnected) {
        return kRoundGoAhead;
    }
    if (!IsOn(settings.force_dial))
        return kRoundNotConnected;
    if (dialup.DialConfiguredEntry() != 0)
        return kRoundDialStarted;
    AppendToErrorWindow(DialFailureText());
    return kRoundDialFailed;
}

int UpdateRound(bool manual) {
    if (TheEngineUiSink().IsConfigurationDialogOpen())
        return 0;
    // Checked before any dialling: the server would refuse the request.
    if (!manual && AutomaticRequestsRefused())
        return 0;

    switch (ConnectionDecision()) {
        case kRoundDialFailed:
            WriteEventLogIfOn(DialFailureText());
            return 0;
        case kRoundDialStarted:
            // The update follows the connection, which takes the request.
            if (manual)
                SetManualUpdateFlag(1);
            return 1;
        case kRoundGoAhead:
            if (manual)
                return RunUpdateForScheduler(true) == UpdateOutcome::kClockSet ? 1 : 0;
            if (UpdateWithRetries() == 1)
                return 1;
            WriteEventLogIfOn("Unable to synchronise from external time source.");
            return 0;
        case kRoundNotConnected:
        default:
            if (manual) {
                AppendToErrorWindow("Unable to synchronise.  No internet connection detected.");
            }
            WriteEventLogIfOn(
                "Unable to synchronise from external SNTP server.  No internet connection "
                "detected.");
            return 0;
    }
}

int UpdateWithRetries() {
    if (AutomaticRequestsRefused())
        return 0;
    for (int attempt = 1; attempt <= 3; ++attempt) {
        if (attempt > 1) {
            if (!WaitBeforeRetry(RetryWaitForScheduler()))
                return 0;  // stopped, or the user asked for an update meanwhile
            ContinueAutomaticRound();
        }
        const UpdateOutcome outcome = RunUpdateForScheduler(false);
        if (outcome == UpdateOutcome::kFailedSilently)
            break;  // every try the round may make has been made
        if (outcome != UpdateOutcome::kFailed)
            NoteRoundEnded(CurrentSettings(), false);
        if (outcome == UpdateOutcome::kClockSet)
            return 1;
        if (outcome == UpdateOutcome::kFailedForRound)
            return 0;
        if (attempt < 3) {
            WriteLogEntryFor(LogEvent::kAutomaticRetry,
                             "Automatic external synchronisation failed, trying again.");
        }
    }
    WriteLogEntryFor(LogEvent::kAutomaticRetry,
                     "Automatic external synchronisation failed 3 times, giving up.");
    NoteRoundEnded(CurrentSettings(), true);  // no try got anywhere
    return 0;
}

bool WaitForUpdateThreadsToEnd(int timeout_ms) {
    for (int waited = 0; running_threads.load() != 0; waited += 5) {
        if (waited >= timeout_ms)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace orvane
