#include "setup/time_service_setup.h"

#include <cstdint>

#include "platform/service_control.h"
#include "service/service_start_type.h"
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

}  // namespace

void StopTimeServiceBeforeCopy() {
    if (SystemRunsTimeService())
        StopService(kTimeServiceName);
}

TimeServiceSetupResult SetUpTimeService(const std::string& install_folder) {
    TimeServiceSetupResult outcome;
    if (!SystemRunsTimeService())
        return outcome;
    outcome.result = InstallTimeService(PathInFolder(install_folder, kTimeServiceProgramName), true,
                                        &outcome.error);
    // Without the privilege list the service runs all the same.
    if (outcome.result == kServiceInstallDone ||
        outcome.result == kServiceInstallPrivilegesNotLimited) {
        outcome.state = TimeServiceSetup::kRunning;
        return outcome;
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
        default:
            break;
    }
    return std::string(step) + ".  Error code " + std::to_string(error) +
           ".\n\nWindows Time goes on keeping this PC's clock.  Run Setup again to install the "
           "service.";
}

}  // namespace orvane
