// The Orvane Time Service in an installation. Where Windows runs it
// (RunsTimeService), the service sets the clock for Orvane, so Windows Time
// is handed over only once the service is installed, running and has said
// it may set the clock: the PC must never be left with neither of them
// keeping its time.
#pragma once

#include <string>

namespace orvane {

// SetUpTimeService's result when the service was installed and started
// but no Status answer from it said it holds SeSystemtimePrivilege:
// InstallTimeService's own results are all smaller.
constexpr int kServiceNotConfirmed = 100;
// How long a started service is given to answer a Status request, asked
// again after each pause: it may open its pipe a moment after it started.
constexpr int kServiceConfirmPollMilliseconds = 250;
constexpr int kServiceConfirmLimitMilliseconds = 10000;

// Page 3 while the service is installed, after the registry (which the
// service reads) and before the shortcuts: "N/A" as the source and this as
// the destination, then this progress position.
constexpr char kTimeServiceStepText[] = "Orvane Time Service";
constexpr int kTimeServiceProgress = 95;

enum class TimeServiceSetup {
    kNotUsed,  // this Windows has no service: Windows Time is handed over as ever
    kRunning,  // installed or reconfigured, started, and said it may set the clock
    kFailed,   // not installed, not started or not confirmed: Windows Time keeps the clock
};

struct TimeServiceSetupResult {
    TimeServiceSetup state = TimeServiceSetup::kNotUsed;
    int result = 0;  // InstallTimeService's result, or kServiceNotConfirmed
    int error = 0;   // the Windows error code of the step that failed
};

// Stops the service of an earlier installation, where Windows runs one, so
// that its program file can be replaced, and notes whether it was running.
void StopTimeServiceBeforeCopy();

// For a Setup that must end after StopTimeServiceBeforeCopy and before
// SetUpTimeService: starts the service again when that stopped it while it
// ran, so the PC is not left with an Orvane that cannot set the clock.
// Does so once; true when it started the service.
bool RestartTimeServiceStoppedForCopy();

// Installs (or reconfigures) and starts the service for "<install
// folder>\OrvaneService.exe" where Windows runs it, then asks it for its
// Status (through TheTimeServicePipe(), pausing through the service
// control between tries) until it answers: it counts as running only when
// that answer, from the service's own process, says it holds
// SeSystemtimePrivilege. When any of that fails, Windows Time is set to
// start automatically and started, unless it runs already: an earlier
// installation may have handed it over.
TimeServiceSetupResult SetUpTimeService(const std::string& install_folder);

// Shown, captioned "Orvane Setup Error", when the service failed: the step
// that failed, the error code and what that means for the clock.
std::string TimeServiceFailureText(int result, int error);

}  // namespace orvane
