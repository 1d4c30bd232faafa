#include "platform/win32/service_control_win32.h"

#include <windows.h>

namespace orvane {

namespace {

SC_HANDLE AsHandle(ServiceHandle handle) {
    return reinterpret_cast<SC_HANDLE>(handle);
}

ServiceHandle FromHandle(SC_HANDLE handle) {
    return reinterpret_cast<ServiceHandle>(handle);
}

int LastErrorOr(int fallback) {
    const DWORD error = GetLastError();
    return error != 0 ? static_cast<int>(error) : fallback;
}

}  // namespace

int Win32ServiceControl::OpenManager(ServiceHandle* manager) {
    SC_HANDLE opened = OpenSCManagerA(nullptr, "ServicesActive", SC_MANAGER_ALL_ACCESS);
    if (opened == nullptr)
        return LastErrorOr(ERROR_ACCESS_DENIED);
    *manager = FromHandle(opened);
    return 0;
}

int Win32ServiceControl::OpenNamedService(ServiceHandle manager, const char* name,
                                          std::uint32_t access, ServiceHandle* service) {
    SC_HANDLE opened = OpenServiceA(AsHandle(manager), name, access);
    if (opened == nullptr)
        return LastErrorOr(ERROR_SERVICE_DOES_NOT_EXIST);
    *service = FromHandle(opened);
    return 0;
}

int Win32ServiceControl::SendStop(ServiceHandle service, std::uint32_t* state) {
    SERVICE_STATUS status = {};
    if (!ControlService(AsHandle(service), SERVICE_CONTROL_STOP, &status)) {
        return LastErrorOr(ERROR_INVALID_HANDLE);
    }
    *state = status.dwCurrentState;
    return 0;
}

int Win32ServiceControl::QueryState(ServiceHandle service, std::uint32_t* state) {
    SERVICE_STATUS status = {};
    if (!QueryServiceStatus(AsHandle(service), &status))
        return LastErrorOr(ERROR_INVALID_HANDLE);
    *state = status.dwCurrentState;
    return 0;
}

int Win32ServiceControl::ChangeStartType(ServiceHandle service, std::uint32_t start_type,
                                         const char* display_name) {
    if (!ChangeServiceConfigA(AsHandle(service), SERVICE_NO_CHANGE, start_type, SERVICE_NO_CHANGE,
                              nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, display_name)) {
        return LastErrorOr(ERROR_INVALID_HANDLE);
    }
    return 0;
}

void Win32ServiceControl::CloseHandle(ServiceHandle handle) {
    if (handle != kNoServiceHandle)
        CloseServiceHandle(AsHandle(handle));
}

void Win32ServiceControl::Pause(int milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

}  // namespace orvane
