// OrvaneService.exe: the Orvane Time Service, run by the service control
// manager as "OrvaneTime".
//   OrvaneService.exe            as a service
//   OrvaneService.exe /console   the pipe server in the foreground, until
//                                standard input ends or Ctrl+C (for tests)
//   OrvaneService.exe /install   installs (or reconfigures) and starts the
//                                service for this program file
//   OrvaneService.exe /remove    stops and deletes it
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/clock.h"
#include "platform/interface_slot.h"
#include "platform/time_service_pipe.h"
#include "platform/win32/install_win32.h"
#include "platform/win32/system_library.h"
#include "service/clock_set_recorder.h"
#include "service/time_service_handler.h"
#include "service/time_service_install.h"
#include "service/win32/pipe_server.h"

using namespace orvane;

namespace {

HANDLE stop_event = nullptr;
SERVICE_STATUS_HANDLE status_handle = nullptr;
SERVICE_STATUS status = {};
ClockSetRecorder* clock_recorder = nullptr;

// A service has no desktop to show a box on: the wiring mistake goes to
// standard error, and the failure ends the process, so the manager
// restarts it.
void ReportMissingInterfaceToConsole(const char* interface_name) {
    std::fprintf(stderr, "Internal error: no %s was installed in this program.\n", interface_name);
    ExitProcess(1);
}

void SetUp() {
    WSADATA data;
    WSAStartup(MAKEWORD(1, 1), &data);
    InstallWin32Platform("Orvane Time Service");
    SetMissingInterfaceHandler(&ReportMissingInterfaceToConsole);
    clock_recorder = new ClockSetRecorder(&TheClock());
    UseClock(clock_recorder);
    stop_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

DWORD Serve() {
    TimeServiceHandler handler(clock_recorder);
    return RunPipeServer(handler, stop_event);
}

void Report(DWORD state, DWORD exit_code, DWORD wait_hint) {
    static DWORD checkpoint = 1;
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = exit_code;
    status.dwServiceSpecificExitCode = 0;
    status.dwWaitHint = wait_hint;
    status.dwCheckPoint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : checkpoint++;
    SetServiceStatus(status_handle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            // The server finishes with its client within the I/O limit.
            Report(SERVICE_STOP_PENDING, NO_ERROR, kPipeIoLimitMilliseconds * 2);
            SetEvent(stop_event);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, char**) {
    status_handle = RegisterServiceCtrlHandlerExA(kTimeServiceName, &Control, nullptr);
    if (status_handle == nullptr)
        return;
    Report(SERVICE_START_PENDING, NO_ERROR, 3000);
    Report(SERVICE_RUNNING, NO_ERROR, 0);
    const DWORD error = Serve();
    // An error exit counts as a failure, so the manager restarts the service.
    Report(SERVICE_STOPPED, error, 0);
}

BOOL WINAPI ConsoleControl(DWORD) {
    SetEvent(stop_event);
    return TRUE;
}

// Ends console mode when standard input ends.
DWORD WINAPI WatchInput(void*) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    char byte;
    DWORD read = 0;
    while (ReadFile(input, &byte, 1, &read, nullptr) && read == 1) {
    }
    SetEvent(stop_event);
    return 0;
}

int RunConsole() {
    SetConsoleCtrlHandler(&ConsoleControl, TRUE);
    HANDLE watcher = CreateThread(nullptr, 0, &WatchInput, nullptr, 0, nullptr);
    if (watcher != nullptr)
        CloseHandle(watcher);
    std::printf("Orvane Time Service %s serving %s\n", ORVANE_VERSION_TEXT, kTimeServicePipeName);
    std::fflush(stdout);
    const DWORD error = Serve();
    std::printf("stopped, error %lu\n", static_cast<unsigned long>(error));
    return error == 0 ? 0 : 1;
}

std::string OwnPath() {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length < MAX_PATH ? length : 0);
}

}  // namespace

int main(int argc, char** argv) {
    // It runs with the right to set the clock: libraries it loads by name
    // come from the system folder, as far as this Windows allows.
    RestrictDllSearchToSystemFolder();
    SetUp();
    if (argc > 1 && std::strcmp(argv[1], "/console") == 0)
        return RunConsole();
    if (argc > 1 && std::strcmp(argv[1], "/install") == 0) {
        int error = 0;
        const int result = InstallTimeService(OwnPath(), true, &error);
        std::printf("install=%d error=%d\n", result, error);
        return result == kServiceInstallPrivilegesNotLimited ? 0 : result;
    }
    if (argc > 1 && std::strcmp(argv[1], "/remove") == 0) {
        int error = 0;
        const int result = RemoveTimeService(&error);
        std::printf("remove=%d error=%d\n", result, error);
        return result == kServiceRemoveDone || result == kServiceRemoveNotInstalled ? 0 : result;
    }
    char name[sizeof kTimeServiceName];
    std::memcpy(name, kTimeServiceName, sizeof name);
    SERVICE_TABLE_ENTRYA table[] = {{name, &ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherA(table)) {
        std::fprintf(stderr,
                     "OrvaneService.exe runs as the OrvaneTime service; /console runs it here.\n");
        return 1;
    }
    return 0;
}
