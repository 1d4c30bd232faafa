// A stand-in for the Windows Time service, which Wine does not have: a real
// service under the name "W32Time" that runs until it is told to stop, so
// Setup's and Uninstall's service calls meet a real service manager.
//   sc create W32Time binPath= "<this program>" start= auto
// Run by hand it gives the registered service a start trigger, as Windows
// 10/11 have one, and reports the triggers through the product's own
// service control:
//   w32time_stub_service.exe /add-trigger     prints "set <error code>"
//   w32time_stub_service.exe /triggers        prints "triggers <count>" or
//                                             "error <code>"
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/win32/service_control_win32.h"

namespace {

SERVICE_STATUS_HANDLE status_handle = nullptr;
SERVICE_STATUS status = {};
HANDLE stop_event = nullptr;

void Report(DWORD state, DWORD wait_hint) {
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = wait_hint;
    ++status.dwCheckPoint;
    SetServiceStatus(status_handle, &status);
}

DWORD WINAPI Handler(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control == SERVICE_CONTROL_STOP) {
        // Stop-pending for a moment, as a real service is while it ends.
        Report(SERVICE_STOP_PENDING, 2000);
        SetEvent(stop_event);
        return NO_ERROR;
    }
    if (control == SERVICE_CONTROL_INTERROGATE)
        return NO_ERROR;
    return ERROR_CALL_NOT_IMPLEMENTED;
}

void WINAPI ServiceMain(DWORD, LPSTR*) {
    status_handle = RegisterServiceCtrlHandlerExA("W32Time", Handler, nullptr);
    if (status_handle == nullptr)
        return;
    stop_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    Report(SERVICE_RUNNING, 0);
    WaitForSingleObject(stop_event, INFINITE);
    Sleep(200);
    Report(SERVICE_STOPPED, 0);
}

}  // namespace

// The trigger Windows Time has on a PC outside a domain: start on joining
// one (DOMAIN_JOIN_GUID).
int TriggerTool(const char* command) {
    orvane::Win32ServiceControl control;
    orvane::ServiceHandle manager = orvane::kNoServiceHandle;
    orvane::ServiceHandle service = orvane::kNoServiceHandle;
    int error = control.OpenManager(&manager);
    if (error == 0) {
        error = control.OpenNamedService(manager, "W32Time",
                                         orvane::kServiceQueryConfig | orvane::kServiceChangeConfig,
                                         &service);
    }
    std::vector<orvane::ServiceTrigger> triggers;
    if (error == 0 && std::strcmp(command, "/add-trigger") == 0) {
        orvane::ServiceTrigger trigger;
        trigger.type = 3;
        trigger.action = 1;
        trigger.has_subtype = true;
        trigger.subtype = {0xc5, 0x6d, 0xdc, 0x1c, 0x0b, 0x6a, 0x90, 0x4c,
                           0x82, 0x1f, 0x46, 0x87, 0x36, 0x45, 0x1f, 0xd2};
        std::printf("set %d\n", control.SetTriggers(service, {trigger}));
    } else if (error == 0 && (error = control.QueryTriggers(service, &triggers)) == 0) {
        std::printf("triggers %u\n", static_cast<unsigned>(triggers.size()));
    } else {
        std::printf("error %d\n", error);
    }
    control.CloseHandle(service);
    control.CloseHandle(manager);
    return 0;
}

int main(int argc, char** argv) {
    if (argc > 1)
        return TriggerTool(argv[1]);
    char name[] = "W32Time";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
