// Talks to the Orvane Time Service's pipe for the end-to-end tests:
//   service_client update [time]   an update through the client module
//                                  ("time": begun a little into a second,
//                                  for TIME's whole seconds under Wine)
//   service_client status          the status request, with the last
//                                  broadcast the service applied
//   service_client raw HEX         HEX's bytes as one message; prints the
//                                  answer and whether the service then
//                                  closes the connection
//   service_client drop HEX        HEX's bytes, then leaves at once
//   service_client idle            connects, sends nothing, and times how
//                                  long until the service drops it
//   service_client busy            connects and asks for the status every
//                                  half second, so the service never finds
//                                  it silent; reports when it is dropped
//   service_client hold SECONDS    only waits: Wine ends a prefix's services
//                                  once no other program of the prefix runs,
//                                  so a scenario keeps this one running
//   service_client update auto     the same, marked as an automatic round
// Output: "name=value" lines.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/time_service_pipe.h"
#include "platform/win32/install_win32.h"
#include "protocols/ntp_packet.h"
#include "second_phase.h"
#include "service/time_service_client.h"
#include "service/time_service_messages.h"
#include "settings/ipv4_text.h"

using namespace orvane;

namespace {

std::string TimeText(const SystemTime& t) {
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03d", t.wYear, t.wMonth,
                  t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
    return text;
}

void PrintCall(const ServiceCall& call) {
    std::printf("status=%d\ncode=%d\nerror=%s\n", static_cast<int>(call.status), call.error_code,
                call.error_text.c_str());
    if (call.status != ServiceCallStatus::kAnswered)
        return;
    const Answer& a = call.answer;
    std::printf("answer_type=%d\n", a.type);
    if (a.type == kAnswerUpdate) {
        const UpdateAnswer& u = a.update;
        std::printf("result=%d\nclock_error=%d\nprotocol=%d\ndelay=%d\nversion=%d\nstratum=%d\n",
                    u.result, u.clock_error, u.protocol, u.delay_ms, u.version, u.stratum);
        std::printf("server=%s\nbefore=%s\nafter=%s\n", Ipv4AddressToText(u.server_address).c_str(),
                    TimeText(u.time_before).c_str(), TimeText(u.time_after).c_str());
        std::printf("has_packets=%d\nhas_word=%d\nword=%08x\n", u.has_packets ? 1 : 0,
                    u.has_time_word ? 1 : 0, u.time_word);
        if (u.has_packets) {
            const SntpPacket request = DecodePacket(u.request_packet);
            const SntpPacket reply = DecodePacket(u.reply_packet);
            std::printf("request_mode=%d\nreply_mode=%d\nreply_stratum=%d\nreply_matches=%d\n",
                        request.mode, reply.mode, reply.stratum,
                        reply.originate_timestamp == request.transmit_timestamp ? 1 : 0);
        }
    } else if (a.type == kAnswerStatus) {
        std::printf("version=%s\nprivilege=%d\n", a.status.version_text.c_str(),
                    a.status.holds_privilege ? 1 : 0);
        const AppliedBroadcast& b = a.status.broadcast;
        std::printf("broadcast_sequence=%u\nbroadcast_sender=%s\nbroadcast_before=%s\n"
                    "broadcast_after=%s\nbroadcast_version=%d\nbroadcast_stratum=%d\n",
                    b.sequence, Ipv4AddressToText(b.sender_address).c_str(),
                    TimeText(b.time_before).c_str(), TimeText(b.time_after).c_str(), b.version,
                    b.stratum);
    }
}

std::vector<std::uint8_t> FromHex(const char* hex) {
    std::vector<std::uint8_t> bytes;
    for (const char* p = hex; p[0] != '\0' && p[1] != '\0'; p += 2) {
        const char pair[3] = {p[0], p[1], '\0'};
        bytes.push_back(static_cast<std::uint8_t>(std::strtoul(pair, nullptr, 16)));
    }
    return bytes;
}

HANDLE Connect() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        HANDLE pipe = CreateFileA(kTimeServicePipeName, GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        if (pipe != INVALID_HANDLE_VALUE) {
            DWORD mode = PIPE_READMODE_MESSAGE;
            SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr);
            return pipe;
        }
        if (GetLastError() != ERROR_PIPE_BUSY)
            break;
        WaitNamedPipeA(kTimeServicePipeName, 200);
    }
    std::printf("connect_error=%lu\n", GetLastError());
    return INVALID_HANDLE_VALUE;
}

// One overlapped read or write with a limit: the error (0 on success), or
// WAIT_TIMEOUT.
DWORD Io(HANDLE pipe, bool write, void* data, DWORD size, DWORD limit, DWORD* bytes) {
    OVERLAPPED overlapped = {};
    overlapped.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    const BOOL started = write ? WriteFile(pipe, data, size, nullptr, &overlapped)
                               : ReadFile(pipe, data, size, nullptr, &overlapped);
    DWORD error = started ? 0 : GetLastError();
    *bytes = 0;
    if (started || error == ERROR_IO_PENDING) {
        if (WaitForSingleObject(overlapped.hEvent, limit) != WAIT_OBJECT_0) {
            CancelIo(pipe);
            GetOverlappedResult(pipe, &overlapped, bytes, TRUE);
            error = WAIT_TIMEOUT;
        } else {
            error = GetOverlappedResult(pipe, &overlapped, bytes, FALSE) ? 0 : GetLastError();
        }
    }
    CloseHandle(overlapped.hEvent);
    return error;
}

int Raw(const char* hex, bool wait_answer) {
    std::vector<std::uint8_t> bytes = FromHex(hex);
    HANDLE pipe = Connect();
    if (pipe == INVALID_HANDLE_VALUE)
        return 1;
    DWORD done = 0;
    DWORD error = Io(pipe, true, bytes.data(), static_cast<DWORD>(bytes.size()), 5000, &done);
    std::printf("write_error=%lu\nwritten=%lu\n", error, done);
    if (!wait_answer) {
        CloseHandle(pipe);
        return 0;
    }
    std::vector<std::uint8_t> answer(kLongestAnswerSize + 1);
    error = Io(pipe, false, answer.data(), static_cast<DWORD>(answer.size()), 10000, &done);
    std::printf("read_error=%lu\nanswer_size=%lu\n", error, done);
    Answer decoded;
    if (error == 0 && DecodeAnswer(answer.data(), done, &decoded) == MessageFault::kNone) {
        std::printf("answer_type=%d\nerror=%s\n", decoded.type, decoded.error_text.c_str());
    }
    // The service must close the connection now rather than read on.
    const DWORD started = GetTickCount();
    error = Io(pipe, false, answer.data(), static_cast<DWORD>(answer.size()), 10000, &done);
    std::printf("after_error=%lu\nclosed=%d\nclosed_after_ms=%lu\n", error,
                error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ? 1 : 0,
                GetTickCount() - started);
    CloseHandle(pipe);
    return 0;
}

int Idle() {
    HANDLE pipe = Connect();
    if (pipe == INVALID_HANDLE_VALUE)
        return 1;
    // Tells the scenario it holds the connection now.
    std::printf("connected=1\n");
    std::fflush(stdout);
    const DWORD started = GetTickCount();
    std::uint8_t byte[16];
    DWORD done = 0;
    const DWORD error = Io(pipe, false, byte, sizeof byte, 15000, &done);
    std::printf("idle_error=%lu\ndropped=%d\ndropped_after_ms=%lu\n", error,
                error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ? 1 : 0,
                GetTickCount() - started);
    CloseHandle(pipe);
    return 0;
}

// A client that is never silent: only a stop of the service ends its
// connection, within its own limit of 30 s.
int Busy() {
    HANDLE pipe = Connect();
    if (pipe == INVALID_HANDLE_VALUE)
        return 1;
    Request request;
    request.type = kRequestStatus;
    std::vector<std::uint8_t> message = EncodeRequest(request);
    std::vector<std::uint8_t> answer(kLongestAnswerSize + 1);
    int answers = 0;
    DWORD error = 0;
    DWORD done = 0;
    const DWORD started = GetTickCount();
    while (GetTickCount() - started < 30000) {
        error = Io(pipe, true, message.data(), static_cast<DWORD>(message.size()), 5000, &done);
        if (error == 0)
            error = Io(pipe, false, answer.data(), static_cast<DWORD>(answer.size()), 5000, &done);
        if (error != 0)
            break;
        if (++answers == 1) {
            std::printf("connected=1\n");
            std::fflush(stdout);
        }
        Sleep(500);
    }
    std::printf("answers=%d\nbusy_error=%lu\ndropped=%d\n", answers, error,
                error == ERROR_BROKEN_PIPE || error == ERROR_PIPE_NOT_CONNECTED ? 1 : 0);
    CloseHandle(pipe);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::printf("usage: service_client update|status|raw HEX|drop HEX|idle|busy\n");
        return 2;
    }
    InstallWin32Platform("service client");
    const std::string command = argv[1];
    if (command == "update") {
        const std::string how = argc > 2 ? argv[2] : "";
        if (how == "time")
            WaitForSecondPhase();
        PrintCall(RequestServiceUpdate(how == "auto"));
    } else if (command == "status") {
        PrintCall(RequestServiceStatus());
    } else if (command == "raw" && argc > 2) {
        return Raw(argv[2], true);
    } else if (command == "drop" && argc > 2) {
        return Raw(argv[2], false);
    } else if (command == "hold" && argc > 2) {
        Sleep(static_cast<DWORD>(std::atoi(argv[2])) * 1000);
    } else if (command == "idle") {
        return Idle();
    } else if (command == "busy") {
        return Busy();
    } else {
        std::printf("unknown command %s\n", command.c_str());
        return 2;
    }
    std::fflush(stdout);
    return 0;
}
