#include "service/service_start_type.h"

#include <cstdint>

#include "platform/os_errors.h"
#include "platform/service_control.h"

namespace orvane {

namespace {

// The manager and one service opened with `access`, both closed at the end
// of the scope; error() holds why not.
class OpenedService {
  public:
    OpenedService(const char* name, std::uint32_t access) : control_(TheServiceControl()) {
        error_ = control_.OpenManager(&manager_);
        if (error_ == 0)
            error_ = control_.OpenNamedService(manager_, name, access, &service_);
    }
    ~OpenedService() {
        control_.CloseHandle(service_);
        control_.CloseHandle(manager_);
    }
    OpenedService(const OpenedService&) = delete;
    OpenedService& operator=(const OpenedService&) = delete;

    int error() const { return error_; }
    ServiceHandle handle() const { return service_; }

  private:
    ServiceControl& control_;
    ServiceHandle manager_ = kNoServiceHandle;
    ServiceHandle service_ = kNoServiceHandle;
    int error_ = 0;
};

// A manager that does not know triggers, or a service that has none to
// remove.
bool RefusesTriggers(int error) {
    return error == kErrorInvalidLevel || error == kErrorInvalidParameter;
}

}  // namespace

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
    return SetServiceStartTypeTo(service_name,
                                 automatic == 1 ? kServiceAutoStart : kServiceDemandStart);
}

int SetServiceStartTypeTo(const char* service_name, std::uint32_t start_type) {
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
    const int error = control.ChangeStartType(service, start_type, service_name);
    control.CloseHandle(service);
    control.CloseHandle(manager);
    return error == 0 ? kSetStartTypeDone : kSetStartTypeFailed;
}

bool ReadWindowsTime(WindowsTimeRecord* state) {
    ServiceControl& control = TheServiceControl();
    WindowsTimeRecord read;
    {
        const OpenedService service(kWindowsTimeServiceName, kServiceQueryConfig);
        if (service.error() != 0 || control.QueryStartType(service.handle(), &read.start_type) != 0)
            return false;
        const int error = control.QueryTriggers(service.handle(), &read.triggers);
        if (RefusesTriggers(error))
            read.triggers.clear();
        else if (error != 0)
            return false;
    }
    TaskState task = TaskState::kMissing;
    if (control.QueryTaskState(kSynchronizeTimeTaskPath, &task) == 0)
        read.task = task;
    *state = std::move(read);
    return true;
}

void HandOverWindowsTimeService(const char* record_key_path) {
    ServiceControl& control = TheServiceControl();
    WindowsTimeRecord now;
    if (ReadWindowsTime(&now))
        KeepWindowsTimeRecordOnce(record_key_path, now);
    WindowsTimeRecord recorded;
    const bool can_give_back = ReadWindowsTimeRecord(record_key_path, &recorded);

    StopService(kWindowsTimeServiceName);
    SetServiceStartType(kWindowsTimeServiceName, 0);
    // Without a record Uninstall could not put them back: Windows Time is
    // then handed over as before, its triggers and task left alone.
    if (!can_give_back)
        return;
    {
        const OpenedService service(kWindowsTimeServiceName, kServiceChangeConfig);
        if (service.error() == 0)
            control.SetTriggers(service.handle(), {});
    }
    TaskState task = TaskState::kMissing;
    if (control.QueryTaskState(kSynchronizeTimeTaskPath, &task) == 0 && task == TaskState::kEnabled)
        control.SetTaskEnabled(kSynchronizeTimeTaskPath, false);
}

std::vector<std::string> GiveWindowsTimeBack(const WindowsTimeRecord* record) {
    ServiceControl& control = TheServiceControl();
    std::vector<std::string> left;
    if (record == nullptr) {
        if (SetServiceStartType(kWindowsTimeServiceName, 1) == kSetStartTypeFailed)
            left.push_back("Windows Time service: its automatic start");
    } else {
        if (SetServiceStartTypeTo(kWindowsTimeServiceName, record->start_type) ==
            kSetStartTypeFailed) {
            left.push_back("Windows Time service: its start type");
        }
        if (!record->triggers.empty()) {
            const OpenedService service(kWindowsTimeServiceName, kServiceChangeConfig);
            const int error = service.error() != 0
                                  ? service.error()
                                  : control.SetTriggers(service.handle(), record->triggers);
            if (error != 0 && error != kErrorServiceDoesNotExist)
                left.push_back("Windows Time service: its start triggers");
        }
        // A task removed since has nothing to give back.
        if (record->task == TaskState::kEnabled) {
            const int error = control.SetTaskEnabled(kSynchronizeTimeTaskPath, true);
            if (error != 0 && error != kErrorFileNotFound && error != kErrorPathNotFound)
                left.push_back("Windows Time synchronisation task");
        }
        // The user had switched it off: it stays off.
        if (record->start_type == kServiceDisabled)
            return left;
    }
    // Started now: the PC must not wait for the next restart, or a trigger,
    // to keep its time again.
    const OpenedService service(kWindowsTimeServiceName, kServiceStart);
    if (service.error() == kErrorServiceDoesNotExist)
        return left;
    const int error = service.error() != 0 ? service.error() : control.Start(service.handle());
    if (error != 0 && error != kErrorServiceAlreadyRunning)
        left.push_back("Windows Time service: its start, error code " + std::to_string(error));
    return left;
}

bool HandsOverWindowsTime(int major_version, int minor_version) {
    // Every version from 5.1 on, later major versions whatever their minor
    // number (6.0, 10.0) included.
    return major_version > 5 || (major_version == 5 && minor_version >= 1);
}

}  // namespace orvane
