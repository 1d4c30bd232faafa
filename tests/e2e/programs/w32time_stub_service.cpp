// A stand-in for the Windows Time service, which Wine does not have: a real
// service under the name "W32Time" that runs until it is told to stop, so
// Setup's and Uninstall's service calls meet a real service manager.
//   sc create W32Time binPath= "<this program>" start= auto
#include <windows.h>

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

int main() {
    char name[] = "W32Time";
    SERVICE_TABLE_ENTRYA table[] = {{name, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherA(table) ? 0 : 1;
}
