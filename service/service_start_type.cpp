#include "service/service_start_type.h"

#include <cstdint>

#include "platform/service_control.h"

namespace orvane {

int StopService(const char* service_name) {
    ServiceControl& control = TheServiceControl();

    ServiceHandle manager = kNoServiceHandle;
    if (control.OpenManager(&manager) != 0)
        return kStopServiceFailed;
    ServiceHandle service = kNoServiceHandle;
    if (control.OpenNamedService(manager, service_name, kServiceStop | kServiceQueryStatus,
                                 &service) != 0) {
        control.CloseHandle(manager);
        return kStopServiceCannotOpen;
    }

    std::uint32_t state = 0;
    const int stop_error = control.SendStop(service, &state);
    if (stop_error != 0) {
        control.CloseHandle(service);
        control.CloseHandle(manager);
        return stop_error == kErrorServiceNotActive ? kStopServiceNotRunning : kStopServiceFailed;
    }

    int result = kStopServiceFailed;
    int waited = 0;
    for (;;) {
        if (control.QueryState(service, &state) != 0) {
            result = kStopServiceFailed;
            break;
        }
        if (state != kServiceStopPending) {
            result = state == kServiceStopped ? kStopServiceStopped : kStopServiceOtherState;
            break;
        }
        // A service that never finishes stopping must not hold the wizard
        // for ever; after the limit it counts as ended in another state.
        if (waited >= kStopPendingLimitMilliseconds) {
            result = kStopServiceOtherState;
            break;
        }
        control.Pause(kStopPendingPollMilliseconds);
        waited += kStopPendingPollMilliseconds;
    }
    control.CloseHandle(service);
    control.CloseHandle(manager);
    return result;
}

int SetServiceStartType(const char* service_name, int automatic) {
    ServiceControl& control = TheServiceControl();

    ServiceHandle manager = kNoServiceHandle;
    if (control.OpenManager(&manager) != 0)
        return kSetStartTypeFailed;
    ServiceHandle service = kNoServiceHandle;
    const int open_error =
        control.OpenNamedService(manager, service_name, kServiceChangeConfig, &service);
    if (open_error != 0) {
        control.CloseHandle(manager);
        return open_error == kErrorServiceDoesNotExist ? kSetStartTypeNoService
                                                       : kSetStartTypeFailed;
    }
    const std::uint32_t start_type = automatic == 1 ? kServiceAutoStart : kServiceDemandStart;
    const int error = control.ChangeStartType(service, start_type, service_name);
    control.CloseHandle(service);
    control.CloseHandle(manager);
    return error == 0 ? kSetStartTypeDone : kSetStartTypeFailed;
}

bool HandsOverWindowsTime(int major_version, int minor_version) {
    // Every version from 5.1 on, later major versions whatever their minor
    // number (6.0, 10.0) included.
    return major_version > 5 || (major_version == 5 && minor_version >= 1);
}

}  // namespace orvane
