#include "setup/time_service_setup.h"

#include <atomic>
#include <cstdint>

#include "platform/os_errors.h"
#include "platform/service_control.h"
#include "service/service_start_type.h"
#include "service/time_service_client.h"
#include "service/time_service_install.h"
#include "setup/install_paths.h"

namespace orvane {

namespace {

// Windows Time back in charge: started automatically from now on, and
// started now unless it runs already.
void KeepWindowsTimeRunning() {
    ServiceControl& control = TheServiceControl();
    ServiceHandle manager = kNoServiceHandle;
    if (control.OpenManager(&manager) != 0)
        return;
    ServiceHandle service = kNoServiceHandle;
    if (control.OpenNamedService(manager, kWindowsTimeServiceName,
                                 kServiceQueryStatus | kServiceStart, &service) == 0) {
        std::uint32_t state = 0;
        if (control.QueryState(service, &state) != 0 || state != kServiceRunning) {
            SetServiceStartType(kWindowsTimeServiceName, 1);
            control.Start(service);
        }
        control.CloseHandle(service);
    }
    control.CloseHandle(manager);
}

// Whether StopTimeServiceBeforeCopy stopped a running service that nothing
// has started again since.
std::atomic<bool> stopped_for_copy{false};

// Asks the started service for its Status until an answer comes or the
// time is up. 0 when the service's own process answered that it holds the
// privilege, else the Windows error code of why not.
int ConfirmServiceMaySetClock() {
    ServiceControl& control = TheServiceControl();
    int waited = 0;
    for (;;) {
        const ServiceCall call = RequestServiceStatus();
        // Only this status means the answer came from the service's own
        // process; anything else (no pipe yet, a busy or foreign one) may
        // still change while the service starts.
        if (call.status == ServiceCallStatus::kAnswered) {
            if (call.answer.type == kAnswerStatus && call.answer.status.holds_privilege)
                return 0;
            return call.answer.type == kAnswerStatus ? kErrorPrivilegeNotHeld : kErrorInvalidData;
        }
        if (waited >= kServiceConfirmLimitMilliseconds)
            return call.error_code != 0 ? call.error_code : kErrorInvalidData;
        control.Pause(kServiceConfirmPollMilliseconds);
        waited += kServiceConfirmPollMilliseconds;
    }
}

}  // namespace

void StopTimeServiceBeforeCopy() {
    if (!SystemRunsTimeService())
        return;
    // A stop that the service accepted, ended or still pending, means it
    // was running.
    const int result = StopService(kTimeServiceName);
    stopped_for_copy.store(result == kStopServiceStopped || result == kStopServiceOtherState);
}

bool RestartTimeServiceStoppedForCopy() {
    if (!stopped_for_copy.exchange(false))
        return false;
    ServiceControl& control = TheServiceControl();
    ServiceHandle manager = kNoServiceHandle;
    if (control.OpenManager(&manager) != 0)
        return false;
    ServiceHandle service = kNoServiceHandle;
    bool started = false;
    if (control.OpenNamedService(manager, kTimeServiceName, kServiceStart, &service) == 0) {
        started = control.Start(service) == 0;
        control.CloseHandle(service);
    }
    control.CloseHandle(manager);
    return started;
}

TimeServiceSetupResult SetUpTimeService(const std::string& install_folder) {
    TimeServiceSetupResult outcome;
    if (!SystemRunsTimeService())
        return outcome;
    // From here the service's state is this step's: an end of Setup no
    // longer starts it again.
    stopped_for_copy.store(false);
    outcome.result = InstallTimeService(PathInFolder(install_folder, kTimeServiceProgramName), true,
                                        &outcome.error);
    // Without the privilege list the service runs all the same.
    if (outcome.result == kServiceInstallDone ||
        outcome.result == kServiceInstallPrivilegesNotLimited) {
        // Windows Time goes only to a service that said it may set the
        // clock, not to whatever program happens to run under its name.
        const int error = ConfirmServiceMaySetClock();
        if (error == 0) {
            outcome.state = TimeServiceSetup::kRunning;
            return outcome;
        }
        outcome.result = kServiceNotConfirmed;
        outcome.error = error;
    }
    outcome.state = TimeServiceSetup::kFailed;
    KeepWindowsTimeRunning();
    return outcome;
}

std::string TimeServiceFailureText(int result, int error) {
    const char* step = "Unable to install the Orvane Time Service";
    switch (result) {
        case kServiceInstallNoManager:
            step = "Unable to open the service control manager";
            break;
        case kServiceInstallConfigFailed:
            step = "Unable to configure the Orvane Time Service";
            break;
        case kServiceInstallStartFailed:
            step = "Unable to start the Orvane Time Service";
            break;
        case kServiceNotConfirmed:
            step = "The Orvane Time Service did not confirm that it may set the clock";
            break;
        default:
            break;
    }
    return std::string(step) + ".  Error code " + std::to_string(error) +
           ".\n\nWindows Time goes on keeping this PC's clock.  Run Setup again to install the "
           "service.";
}

}  // namespace orvane
