#include "service/win32/pipe_server.h"

#include <sddl.h>

#include <cstdio>
#include <vector>

#include "platform/time_service_pipe.h"

namespace orvane {

namespace {

enum class Wait { kDone, kTimedOut, kStopped, kFailed };

// Room for any record and more, so a client's over-long message fits into
// the pipe whole and the client can read the refusal that follows.
constexpr DWORD kPipeBufferSize = 4096;

// Waits for an overlapped operation; cancels it on time-out or stop, so the
// buffer is free again when this returns.
Wait Finish(HANDLE pipe, OVERLAPPED* overlapped, BOOL started, DWORD limit, HANDLE stop_event,
            DWORD* bytes, DWORD* error) {
    *bytes = 0;
    *error = 0;
    if (!started) {
        *error = GetLastError();
        if (*error != ERROR_IO_PENDING)
            return *error == ERROR_MORE_DATA ? Wait::kDone : Wait::kFailed;
        *error = 0;
    }
    HANDLE events[2] = {overlapped->hEvent, stop_event};
    const DWORD waited = WaitForMultipleObjects(2, events, FALSE, limit);
    if (waited != WAIT_OBJECT_0) {
        CancelIo(pipe);
        GetOverlappedResult(pipe, overlapped, bytes, TRUE);
        return waited == WAIT_OBJECT_0 + 1 ? Wait::kStopped : Wait::kTimedOut;
    }
    if (!GetOverlappedResult(pipe, overlapped, bytes, FALSE)) {
        *error = GetLastError();
        // A message longer than the buffer: what arrived is refused as too long.
        if (*error != ERROR_MORE_DATA)
            return Wait::kFailed;
    }
    return Wait::kDone;
}

DWORD WINAPI Flush(void* pipe) {
    FlushFileBuffers(static_cast<HANDLE>(pipe));
    return 0;
}

// Disconnecting drops an answer the client has not read yet, so before a
// refused client is dropped it gets the I/O limit to read the error
// answer. The flush that waits for that has no limit of its own: it runs
// on a thread of its own, and the disconnect that follows ends it.
void WaitUntilRead(HANDLE pipe, HANDLE stop_event) {
    HANDLE thread = CreateThread(nullptr, 0, &Flush, pipe, 0, nullptr);
    if (thread == nullptr)
        return;
    HANDLE events[2] = {thread, stop_event};
    if (WaitForMultipleObjects(2, events, FALSE, kPipeIoLimitMilliseconds) != WAIT_OBJECT_0)
        CancelSynchronousIo(thread);
    CloseHandle(thread);
}

std::uint64_t NowMilliseconds() {
    return GetTickCount64();
}

// Serves one connected client until it leaves, stays silent for the limit,
// sends something malformed, or the service stops.
void ServeClient(HANDLE pipe, OVERLAPPED* overlapped, TimeServiceHandler& handler,
                 HANDLE stop_event) {
    // One byte more than the longest request, so a longer one shows.
    std::vector<std::uint8_t> buffer(kLongestRequestSize + 1);
    for (;;) {
        DWORD bytes = 0;
        DWORD error = 0;
        ResetEvent(overlapped->hEvent);
        Wait wait = Finish(
            pipe, overlapped,
            ReadFile(pipe, buffer.data(), static_cast<DWORD>(buffer.size()), nullptr, overlapped),
            kPipeIoLimitMilliseconds, stop_event, &bytes, &error);
        if (wait != Wait::kDone)
            return;
        if (error == ERROR_MORE_DATA) {
            // The rest of the message is not wanted; the record is refused
            // on its length.
            bytes = static_cast<DWORD>(buffer.size());
        }
        bool malformed = false;
        const std::vector<std::uint8_t> answer =
            handler.Handle(buffer.data(), bytes, NowMilliseconds(), &malformed);
        ResetEvent(overlapped->hEvent);
        DWORD written = 0;
        wait = Finish(
            pipe, overlapped,
            WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), nullptr, overlapped),
            kPipeIoLimitMilliseconds, stop_event, &written, &error);
        if (wait != Wait::kDone || malformed) {
            if (wait == Wait::kDone)
                WaitUntilRead(pipe, stop_event);
            return;
        }
    }
}

}  // namespace

DWORD RunPipeServer(TimeServiceHandler& handler, HANDLE stop_event) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorA(kPipeSecurity, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return GetLastError();
    }
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = descriptor;
    attributes.bInheritHandle = FALSE;
    // The first instance: a pipe of this name made by anyone else first
    // makes this fail rather than share the name with an impostor.
    HANDLE pipe = CreateNamedPipeA(
        kTimeServicePipeName,
        PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
        PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
        kPipeBufferSize, kPipeBufferSize, kPipeIoLimitMilliseconds, &attributes);
    const DWORD create_error = GetLastError();
    LocalFree(descriptor);
    if (pipe == INVALID_HANDLE_VALUE)
        return create_error;

    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (overlapped.hEvent == nullptr) {
        const DWORD error = GetLastError();
        CloseHandle(pipe);
        return error;
    }
    DWORD result = 0;
    for (;;) {
        ResetEvent(overlapped.hEvent);
        bool connected = false;
        if (ConnectNamedPipe(pipe, &overlapped)) {
            connected = true;
        } else {
            const DWORD error = GetLastError();
            if (error == ERROR_PIPE_CONNECTED) {
                connected = true;
            } else if (error == ERROR_IO_PENDING) {
                HANDLE events[2] = {overlapped.hEvent, stop_event};
                const DWORD waited = WaitForMultipleObjects(2, events, FALSE, INFINITE);
                DWORD bytes = 0;
                if (waited != WAIT_OBJECT_0) {
                    CancelIo(pipe);
                    GetOverlappedResult(pipe, &overlapped, &bytes, TRUE);
                    break;
                }
                connected = GetOverlappedResult(pipe, &overlapped, &bytes, FALSE) != 0;
            } else if (error == ERROR_NO_DATA) {
                // A client that came and went already: free the instance.
            } else {
                result = error;
                break;
            }
        }
        if (connected)
            ServeClient(pipe, &overlapped, handler, stop_event);
        DisconnectNamedPipe(pipe);
        if (WaitForSingleObject(stop_event, 0) == WAIT_OBJECT_0)
            break;
    }
    CloseHandle(overlapped.hEvent);
    CloseHandle(pipe);
    return result;
}

}  // namespace orvane
