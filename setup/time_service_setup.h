// The Orvane Time Service in an installation. Where Windows runs it
// (RunsTimeService), the service sets the clock for Orvane, so Windows Time
// is handed over only once the service is installed and running: the PC
// must never be left with neither of them keeping its time.
#pragma once

#include <string>

namespace orvane {

// Page 3 while the service is installed, after the registry (which the
// service reads) and before the shortcuts: "N/A" as the source and this as
// the destination, then this progress position.
constexpr char kTimeServiceStepText[] = "Orvane Time Service";
constexpr int kTimeServiceProgress = 95;

enum class TimeServiceSetup {
    kNotUsed,  // this Windows has no service: Windows Time is handed over as ever
    kRunning,  // installed or reconfigured, and started
    kFailed,   // not installed or not started: Windows Time keeps the clock
};

struct TimeServiceSetupResult {
    TimeServiceSetup state = TimeServiceSetup::kNotUsed;
    int result = 0;  // InstallTimeService's result
    int error = 0;   // the Windows error code of the step that failed
};

// Stops the service of an earlier installation, where Windows runs one, so
// that its program file can be replaced.
void StopTimeServiceBeforeCopy();

// Installs (or reconfigures) and starts the service for "<install
// folder>\OrvaneService.exe" where Windows runs it. When that fails,
// Windows Time is set to start automatically and started, unless it runs
// already: an earlier installation may have handed it over.
TimeServiceSetupResult SetUpTimeService(const std::string& install_folder);

// Shown, captioned "Orvane Setup Error", when the service failed: the step
// that failed, the error code and what that means for the clock.
std::string TimeServiceFailureText(int result, int error);

}  // namespace orvane
