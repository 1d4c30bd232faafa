// OrvaneService.exe: the Orvane Time Service, run by the service control
// manager as "OrvaneTime".
//   OrvaneService.exe            as a service
//   OrvaneService.exe /console   the whole service (pipe and broadcast
//                                listener) in the foreground, until
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
#include "platform/win32/wide_text.h"
#include "service/clock_set_recorder.h"
#include "service/service_broadcasts.h"
#include "service/service_event_log.h"
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
    stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

void Report(DWORD state, DWORD exit_code, DWORD wait_hint) {
    static DWORD checkpoint = 1;
    if (status_handle == nullptr)
        return;  // console mode
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

// The stop waits for an update under way: each second the manager hears
// that it still makes progress.
constexpr DWORD kStopWaitHintMs = 3000;
void StopStillPending() {
    Report(SERVICE_STOP_PENDING, NO_ERROR, kStopWaitHintMs);
}

// Reads the machine's broadcast setting again each minute until the stop.
DWORD WINAPI WatchBroadcastSetting(void*) {
    while (WaitForSingleObject(stop_event, kBroadcastSettingCheckMs) == WAIT_TIMEOUT)
        RefreshServiceBroadcasts();
    return 0;
}

// Runs the service until the stop event: the pipe exists before `running`
// is called (so whoever started the service finds it), or the failure is
// logged and returned.
DWORD Serve(void (*running)()) {
    static TimeServiceHandler handler(clock_recorder);
    DWORD error = 0;
    PipeServer* server = CreatePipeServer(handler, &error);
    if (server == nullptr) {
        WriteServiceEvent(EventType::kError,
                          std::string("The Orvane Time Service could not create its pipe ") +
                              kTimeServicePipeName + " (error code " + std::to_string(error) +
                              "); another program may hold it.  The service stops.");
        return error != 0 ? error : ERROR_GEN_FAILURE;
    }
    SetUpServiceBroadcasts();
    RefreshServiceBroadcasts();
    HANDLE watcher = CreateThread(nullptr, 0, &WatchBroadcastSetting, nullptr, 0, nullptr);
    running();
    RunPipeServer(server, stop_event, &StopStillPending);
    if (watcher != nullptr) {
        WaitForSingleObject(watcher, INFINITE);
        CloseHandle(watcher);
    }
    RefreshServiceBroadcasts(0);
    return 0;
}

DWORD WINAPI Control(DWORD control, DWORD, void*, void*) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
        case SERVICE_CONTROL_SHUTDOWN:
            Report(SERVICE_STOP_PENDING, NO_ERROR, kStopWaitHintMs);
            SetEvent(stop_event);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, wchar_t**) {
    status_handle =
        RegisterServiceCtrlHandlerExW(Widen(kTimeServiceName).c_str(), &Control, nullptr);
    if (status_handle == nullptr)
        return;
    Report(SERVICE_START_PENDING, NO_ERROR, 3000);
    const DWORD error = Serve([] { Report(SERVICE_RUNNING, NO_ERROR, 0); });
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
    const DWORD error = Serve([] {
        std::printf("Orvane Time Service %s serving %s\n", ORVANE_VERSION_TEXT,
                    kTimeServicePipeName);
        std::fflush(stdout);
    });
    std::printf("stopped, error %lu\n", static_cast<unsigned long>(error));
    return error == 0 ? 0 : 1;
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
        const int result = InstallTimeService(OwnProgramPath(), true, &error);
        std::printf("install=%d error=%d\n", result, error);
        return result == kServiceInstallPrivilegesNotLimited ? 0 : result;
    }
    if (argc > 1 && std::strcmp(argv[1], "/remove") == 0) {
        int error = 0;
        const int result = RemoveTimeService(&error);
        std::printf("remove=%d error=%d\n", result, error);
        return result == kServiceRemoveDone || result == kServiceRemoveNotInstalled ? 0 : result;
    }
    std::wstring name = Widen(kTimeServiceName);
    SERVICE_TABLE_ENTRYW table[] = {{&name[0], &ServiceMain}, {nullptr, nullptr}};
    if (!StartServiceCtrlDispatcherW(table)) {
        std::fprintf(stderr,
                     "OrvaneService.exe runs as the OrvaneTime service; /console runs it here.\n");
        return 1;
    }
    return 0;
}
