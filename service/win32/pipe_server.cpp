#include "service/win32/pipe_server.h"

#include <sddl.h>

#include <cstdio>
#include <vector>

#include "platform/time_service_pipe.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

enum class Wait { kDone, kTimedOut, kStopped, kFailed };

// Room for any record and more, so a client's over-long message fits into
// the pipe whole and the client can read the refusal that follows.
constexpr DWORD kPipeBufferSize = 4096;

// FILE_READ_DATA | FILE_WRITE_DATA | SYNCHRONIZE | READ_CONTROL, and the
// attributes a client needs to switch its end to message reads
// (SetNamedPipeHandleState). Never FILE_CREATE_PIPE_INSTANCE.
constexpr char kClientRights[] = "0x00120183";

struct Instance {
    HANDLE pipe = INVALID_HANDLE_VALUE;
    HANDLE thread = nullptr;
    OVERLAPPED overlapped = {};
    TimeServiceHandler* handler = nullptr;
    HANDLE stop_event = nullptr;
};

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

// Disconnecting drops an answer the client has not read yet, so the client
// gets the I/O limit to read it. The flush that waits for that has no limit
// of its own: it runs on a thread of its own, cancelled after the limit.
void WaitUntilRead(HANDLE pipe, HANDLE stop_event) {
    HANDLE thread = CreateThread(nullptr, 0, &Flush, pipe, 0, nullptr);
    if (thread == nullptr)
        return;
    HANDLE events[2] = {thread, stop_event};
    if (WaitForMultipleObjects(2, events, FALSE, kPipeIoLimitMilliseconds) != WAIT_OBJECT_0) {
        CancelSynchronousIo(thread);
        WaitForSingleObject(thread, kPipeIoLimitMilliseconds);
    }
    CloseHandle(thread);
}

RequestOrigin OriginOf(HANDLE pipe) {
    RequestOrigin origin;
    // Asked of the pipe, not the process: the service's account may not
    // open another user's process.
    ULONG value = 0;
    if (GetNamedPipeClientProcessId(pipe, &value))
        origin.process_id = value;
    if (GetNamedPipeClientSessionId(pipe, &value))
        origin.session_id = value;
    return origin;
}

// Serves one connected client: one request, one answer, then the
// connection ends.
void ServeClient(Instance& instance) {
    // One byte more than the longest request, so a longer one shows.
    std::vector<std::uint8_t> buffer(kLongestRequestSize + 1);
    DWORD bytes = 0;
    DWORD error = 0;
    ResetEvent(instance.overlapped.hEvent);
    Wait wait = Finish(instance.pipe, &instance.overlapped,
                       ReadFile(instance.pipe, buffer.data(), static_cast<DWORD>(buffer.size()),
                                nullptr, &instance.overlapped),
                       kPipeIoLimitMilliseconds, instance.stop_event, &bytes, &error);
    if (wait != Wait::kDone)
        return;
    if (error == ERROR_MORE_DATA) {
        // The rest of the message is not wanted; the record is refused on
        // its length.
        bytes = static_cast<DWORD>(buffer.size());
    }
    bool malformed = false;
    const std::vector<std::uint8_t> answer = instance.handler->Handle(
        buffer.data(), bytes, GetTickCount64(), OriginOf(instance.pipe), &malformed);
    ResetEvent(instance.overlapped.hEvent);
    DWORD written = 0;
    wait = Finish(instance.pipe, &instance.overlapped,
                  WriteFile(instance.pipe, answer.data(), static_cast<DWORD>(answer.size()),
                            nullptr, &instance.overlapped),
                  kPipeIoLimitMilliseconds, instance.stop_event, &written, &error);
    if (wait == Wait::kDone)
        WaitUntilRead(instance.pipe, instance.stop_event);
}

DWORD WINAPI ServeInstance(void* parameter) {
    Instance& instance = *static_cast<Instance*>(parameter);
    for (;;) {
        ResetEvent(instance.overlapped.hEvent);
        bool connected = false;
        if (ConnectNamedPipe(instance.pipe, &instance.overlapped)) {
            connected = true;
        } else {
            const DWORD error = GetLastError();
            if (error == ERROR_PIPE_CONNECTED) {
                connected = true;
            } else if (error == ERROR_IO_PENDING) {
                HANDLE events[2] = {instance.overlapped.hEvent, instance.stop_event};
                const DWORD waited = WaitForMultipleObjects(2, events, FALSE, INFINITE);
                DWORD bytes = 0;
                if (waited != WAIT_OBJECT_0) {
                    CancelIo(instance.pipe);
                    GetOverlappedResult(instance.pipe, &instance.overlapped, &bytes, TRUE);
                    return 0;
                }
                connected =
                    GetOverlappedResult(instance.pipe, &instance.overlapped, &bytes, FALSE) != 0;
            } else if (error != ERROR_NO_DATA) {
                // ERROR_NO_DATA: a client that came and went already. Any
                // other failure: this instance pauses rather than spin.
                if (WaitForSingleObject(instance.stop_event, 1000) == WAIT_OBJECT_0)
                    return 0;
            }
        }
        if (connected)
            ServeClient(instance);
        DisconnectNamedPipe(instance.pipe);
        if (WaitForSingleObject(instance.stop_event, 0) == WAIT_OBJECT_0)
            return 0;
    }
}

// The text form of the SID this process runs as; empty when unknown.
std::string OwnSidText() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return "";
    std::string text;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    std::vector<BYTE> user(size);
    if (size != 0 && GetTokenInformation(token, TokenUser, user.data(), size, &size)) {
        wchar_t* sid_text = nullptr;
        if (ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user.data())->User.Sid,
                                   &sid_text)) {
            text = Narrow(sid_text);
            LocalFree(sid_text);
        }
    }
    CloseHandle(token);
    return text;
}

void CloseInstances(std::vector<Instance>& instances) {
    for (Instance& instance : instances) {
        if (instance.pipe != INVALID_HANDLE_VALUE)
            CloseHandle(instance.pipe);
        if (instance.overlapped.hEvent != nullptr)
            CloseHandle(instance.overlapped.hEvent);
    }
}

}  // namespace

class PipeServer {
  public:
    std::vector<Instance> instances;
};

std::string PipeSecurityText(const std::string& sid_text) {
    // The owner may change the list; everyone else on it may only talk.
    return "O:" + sid_text + "D:P(A;;FA;;;" + sid_text + ")(A;;" + kClientRights + ";;;IU)(A;;" +
           kClientRights + ";;;SY)(A;;" + kClientRights + ";;;BA)";
}

PipeServer* CreatePipeServer(TimeServiceHandler& handler, DWORD* error) {
    *error = 0;
    const std::string sid_text = OwnSidText();
    if (sid_text.empty()) {
        *error = GetLastError() != 0 ? GetLastError() : ERROR_INVALID_SID;
        return nullptr;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            Widen(PipeSecurityText(sid_text)).c_str(), SDDL_REVISION_1, &descriptor, nullptr)) {
        *error = GetLastError();
        return nullptr;
    }
    SECURITY_ATTRIBUTES attributes = {};
    attributes.nLength = sizeof attributes;
    attributes.lpSecurityDescriptor = descriptor;
    attributes.bInheritHandle = FALSE;

    const std::wstring pipe_name = Widen(kTimeServicePipeName);
    auto* server = new PipeServer;
    server->instances.resize(kPipeInstances);
    for (int i = 0; i < kPipeInstances && *error == 0; ++i) {
        Instance& instance = server->instances[i];
        instance.handler = &handler;
        const DWORD first = i == 0 ? FILE_FLAG_FIRST_PIPE_INSTANCE : 0;
        instance.pipe = CreateNamedPipeW(
            pipe_name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | first,
            PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS,
            kPipeInstances, kPipeBufferSize, kPipeBufferSize, kPipeIoLimitMilliseconds,
            &attributes);
        if (instance.pipe == INVALID_HANDLE_VALUE) {
            *error = GetLastError();
            break;
        }
        instance.overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (instance.overlapped.hEvent == nullptr)
            *error = GetLastError();
    }
    LocalFree(descriptor);
    if (*error != 0) {
        CloseInstances(server->instances);
        delete server;
        return nullptr;
    }
    return server;
}

void RunPipeServer(PipeServer* server, HANDLE stop_event, void (*waiting)()) {
    std::vector<HANDLE> threads;
    for (Instance& instance : server->instances) {
        instance.stop_event = stop_event;
        instance.thread = CreateThread(nullptr, 0, &ServeInstance, &instance, 0, nullptr);
        if (instance.thread != nullptr)
            threads.push_back(instance.thread);
    }
    WaitForSingleObject(stop_event, INFINITE);
    // An update under way ends within its own limits (the name lookup's and
    // the exchange's); meanwhile the manager hears that the stop goes on.
    while (!threads.empty() &&
           WaitForMultipleObjects(static_cast<DWORD>(threads.size()), threads.data(), TRUE,
                                  1000) == WAIT_TIMEOUT) {
        if (waiting != nullptr)
            waiting();
    }
    for (HANDLE thread : threads)
        CloseHandle(thread);
    CloseInstances(server->instances);
    delete server;
}

}  // namespace orvane
