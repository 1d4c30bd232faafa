#include "platform/win32/time_service_pipe_win32.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

// The longest answer wait: an update's exchange and the service's own
// 5-second write limit, with room to spare.
constexpr DWORD kAnswerWaitMilliseconds = 20000;

int LastError() {
    const DWORD error = GetLastError();
    return error != 0 ? static_cast<int>(error) : ERROR_GEN_FAILURE;
}

// Waits for an overlapped operation for at most `limit` ms; cancels it
// after that. 0 with the byte count, else the error.
int Finish(HANDLE pipe, OVERLAPPED* overlapped, BOOL started, DWORD limit, DWORD* bytes) {
    if (!started && GetLastError() != ERROR_IO_PENDING)
        return LastError();
    if (WaitForSingleObject(overlapped->hEvent, limit) != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, overlapped, bytes, TRUE);
        return ERROR_SEM_TIMEOUT;
    }
    if (!GetOverlappedResult(pipe, overlapped, bytes, FALSE))
        return LastError();
    return 0;
}

}  // namespace

std::uint32_t Win32TimeServicePipe::ServiceProcessId() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (manager == nullptr)
        return 0;
    DWORD process_id = 0;
    SC_HANDLE service = OpenServiceW(manager, Widen(kTimeServiceName).c_str(), SERVICE_QUERY_STATUS);
    if (service != nullptr) {
        SERVICE_STATUS_PROCESS status = {};
        DWORD needed = 0;
        if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO,
                                 reinterpret_cast<BYTE*>(&status), sizeof status, &needed) &&
            status.dwCurrentState != SERVICE_STOPPED) {
            process_id = status.dwProcessId;
        }
        CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
    return process_id;
}

int Win32TimeServicePipe::Exchange(const std::vector<std::uint8_t>& request,
                                   std::size_t answer_limit, int busy_limit_ms,
                                   const PipeServerCheck& accept_server,
                                   std::vector<std::uint8_t>* answer) {
    answer->clear();
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(busy_limit_ms);
    HANDLE pipe = INVALID_HANDLE_VALUE;
    const std::wstring pipe_name = Widen(kTimeServicePipeName);
    for (;;) {
        // Identification only: whoever holds the pipe may learn who asks,
        // never act as the caller.
        // Exactly what the pipe's access list grants a client: GENERIC_READ
        // and GENERIC_WRITE would also ask for extended attributes and for
        // FILE_CREATE_PIPE_INSTANCE, and be refused. Writing attributes is
        // what switching to message reads takes.
        pipe = CreateFileW(pipe_name.c_str(),
                           FILE_READ_DATA | FILE_WRITE_DATA | FILE_READ_ATTRIBUTES |
                               FILE_WRITE_ATTRIBUTES | SYNCHRONIZE,
                           0, nullptr, OPEN_EXISTING,
                           FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT | SECURITY_IDENTIFICATION,
                           nullptr);
        if (pipe != INVALID_HANDLE_VALUE)
            break;
        const int error = LastError();
        if (error != ERROR_PIPE_BUSY)
            return error;
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline)
            return ERROR_PIPE_BUSY;
        // A wait that fails at once (the instance went between the two
        // calls) loops back to the open; the deadline still bounds it.
        if (!WaitNamedPipeW(pipe_name.c_str(), static_cast<DWORD>(deadline - now)) &&
            GetLastError() == ERROR_FILE_NOT_FOUND) {
            return ERROR_FILE_NOT_FOUND;
        }
    }
    ULONG server_process_id = 0;
    if (!GetNamedPipeServerProcessId(pipe, &server_process_id))
        server_process_id = 0;
    if (!accept_server(static_cast<std::uint32_t>(server_process_id))) {
        CloseHandle(pipe);
        return kPipeServerRefused;
    }
    DWORD mode = PIPE_READMODE_MESSAGE;
    SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);

    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        const int error = LastError();
        CloseHandle(pipe);
        return error;
    }
    DWORD bytes = 0;
    int error = Finish(
        pipe, &overlapped,
        WriteFile(pipe, request.data(), static_cast<DWORD>(request.size()), nullptr, &overlapped),
        kAnswerWaitMilliseconds, &bytes);
    if (error == 0 && bytes != request.size())
        error = ERROR_WRITE_FAULT;
    if (error == 0) {
        // One byte more than allowed, so an over-long answer shows.
        answer->resize(answer_limit + 1);
        ResetEvent(overlapped.hEvent);
        error = Finish(pipe, &overlapped,
                       ReadFile(pipe, answer->data(), static_cast<DWORD>(answer->size()), nullptr,
                                &overlapped),
                       kAnswerWaitMilliseconds, &bytes);
        // A message longer than the buffer: its first part is enough to be
        // refused as too long.
        if (error == ERROR_MORE_DATA)
            error = 0;
        answer->resize(error == 0 ? bytes : 0);
    }
    CloseHandle(overlapped.hEvent);
    CloseHandle(pipe);
    return error;
}

}  // namespace orvane
