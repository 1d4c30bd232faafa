#include "service/time_service_install.h"

#include <string>
#include <vector>

#include "platform/os_errors.h"
#include "platform/os_version.h"
#include "platform/service_control.h"
#include "service/service_start_type.h"

namespace orvane {

namespace {

// Closes the manager and any service handle on every way out.
class Handles {
  public:
    explicit Handles(ServiceControl& control) : control_(control) {}
    ~Handles() {
        control_.CloseHandle(service);
        control_.CloseHandle(manager);
    }
    Handles(const Handles&) = delete;
    Handles& operator=(const Handles&) = delete;

    ServiceHandle manager = kNoServiceHandle;
    ServiceHandle service = kNoServiceHandle;

  private:
    ServiceControl& control_;
};

int Fail(int result, int code, int* error) {
    if (error != nullptr)
        *error = code;
    return result;
}

// A manager that does not know the required privileges setting refuses it
// (87, or 124 for a level it has not heard of) and cannot limit the token;
// the service still works, so that alone does not fail the install. Only
// a manager that cannot report the setting either lacks it: where it
// exists, such a refusal means the list itself was refused, and the
// service would run with more rights than it should.
bool PrivilegesSettingIsUnknown(ServiceControl& control, ServiceHandle service, int set_code) {
    if (set_code != kErrorInvalidParameter && set_code != kErrorInvalidLevel)
        return false;
    std::vector<std::string> reported;
    return control.QueryRequiredPrivileges(service, &reported) != 0;
}

}  // namespace

bool RunsTimeService(int major_version) {
    return major_version >= 6;
}

bool SystemRunsTimeService() {
    int major = 0;
    int minor = 0;
    int build = 0;
    return GetOsVersion(&major, &minor, &build) == 1 && RunsTimeService(major);
}

std::string ServiceCommandLine(const std::string& program_path) {
    if (program_path.find(' ') == std::string::npos || program_path.front() == '"')
        return program_path;
    return "\"" + program_path + "\"";
}

int InstallTimeService(const std::string& program_path, bool start, int* error) {
    Fail(kServiceInstallDone, 0, error);
    ServiceControl& control = TheServiceControl();
    OwnServiceConfig config;
    config.name = kTimeServiceName;
    config.display_name = kTimeServiceDisplayName;
    config.command_line = ServiceCommandLine(program_path);
    config.account = kTimeServiceAccount;
    config.start_type = kServiceAutoStart;

    // An existing service is reconfigured: it must not be running its old
    // program while the files change, hence stopped first.
    {
        Handles probe(control);
        int code = control.OpenManager(&probe.manager);
        if (code != 0)
            return Fail(kServiceInstallNoManager, code, error);
        code = control.OpenNamedService(probe.manager, kTimeServiceName, kServiceQueryStatus,
                                        &probe.service);
        if (code == 0) {
            control.CloseHandle(probe.service);
            probe.service = kNoServiceHandle;
            StopService(kTimeServiceName);
        }
    }

    Handles handles(control);
    int code = control.OpenManager(&handles.manager);
    if (code != 0)
        return Fail(kServiceInstallNoManager, code, error);
    code = control.OpenNamedService(handles.manager, kTimeServiceName, kServiceAllAccess,
                                    &handles.service);
    if (code == 0) {
        code = control.ChangeOwnServiceConfig(handles.service, config);
    } else if (code == kErrorServiceDoesNotExist) {
        code = control.CreateOwnService(handles.manager, config, &handles.service);
    }
    if (code != 0)
        return Fail(kServiceInstallCreateFailed, code, error);

    code = control.SetDescription(handles.service, kTimeServiceDescription);
    int privileges_code = 0;
    if (code == 0) {
        privileges_code = control.SetRequiredPrivileges(
            handles.service, {"SeSystemtimePrivilege", "SeChangeNotifyPrivilege"});
        if (!PrivilegesSettingIsUnknown(control, handles.service, privileges_code))
            code = privileges_code;
    }
    if (code == 0) {
        code = control.SetRestartOnFailure(handles.service, kTimeServiceFailureResetSeconds,
                                           kTimeServiceRestartDelayMs);
    }
    if (code != 0)
        return Fail(kServiceInstallConfigFailed, code, error);

    if (start) {
        code = control.Start(handles.service);
        if (code != 0 && code != kErrorServiceAlreadyRunning)
            return Fail(kServiceInstallStartFailed, code, error);
    }
    if (privileges_code != 0)
        return Fail(kServiceInstallPrivilegesNotLimited, privileges_code, error);
    return kServiceInstallDone;
}

int RemoveTimeService(int* error) {
    Fail(kServiceRemoveDone, 0, error);
    ServiceControl& control = TheServiceControl();
    Handles handles(control);
    int code = control.OpenManager(&handles.manager);
    if (code != 0)
        return Fail(kServiceRemoveNoManager, code, error);
    code = control.OpenNamedService(handles.manager, kTimeServiceName,
                                    kServiceDelete | kServiceStop | kServiceQueryStatus,
                                    &handles.service);
    if (code == kErrorServiceDoesNotExist)
        return kServiceRemoveNotInstalled;
    if (code != 0)
        return Fail(kServiceRemoveFailed, code, error);
    StopService(kTimeServiceName);
    code = control.Delete(handles.service);
    if (code != 0 && code != kErrorServiceMarkedForDelete)
        return Fail(kServiceRemoveFailed, code, error);
    return kServiceRemoveDone;
}

}  // namespace orvane
