// Squats on the Orvane Time Service's pipe for the end-to-end tests: creates
// \\.\pipe\OrvaneTime and answers every message with a well-formed update
// answer that claims the clock was set, as a program trying to pass for the
// stopped service would. A client must not believe it.
//   pipe_impostor SECONDS     serves for that long (default 120)
// Prints "listening=1" once the pipe exists, "answered=N" after each answer.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/time_service_pipe.h"
#include "service/time_service_messages.h"

using namespace orvane;

namespace {

SystemTime Now() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    SystemTime t;
    t.wYear = now.wYear;
    t.wMonth = now.wMonth;
    t.wDayOfWeek = now.wDayOfWeek;
    t.wDay = now.wDay;
    t.wHour = now.wHour;
    t.wMinute = now.wMinute;
    t.wSecond = now.wSecond;
    t.wMilliseconds = now.wMilliseconds;
    return t;
}

// "Clock set from 127.0.0.1 over SNTP", encoded by the product's own rules.
std::vector<std::uint8_t> SuccessAnswer() {
    Answer answer;
    answer.type = kAnswerUpdate;
    answer.update.result = 1;
    answer.update.protocol = 1;
    answer.update.version = 4;
    answer.update.stratum = 8;
    answer.update.server_address = htonl(INADDR_LOOPBACK);
    answer.update.time_before = Now();
    answer.update.time_after = answer.update.time_before;
    return EncodeAnswer(answer);
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD lifetime_ms = static_cast<DWORD>(argc > 1 ? std::atoi(argv[1]) : 120) * 1000;
    const DWORD started = GetTickCount();
    int answered = 0;
    bool announced = false;
    while (GetTickCount() - started < lifetime_ms) {
        HANDLE pipe = CreateNamedPipeA(kTimeServicePipeName, PIPE_ACCESS_DUPLEX,
                                       PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                       PIPE_UNLIMITED_INSTANCES, 4096, 4096, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            std::printf("create_error=%lu\n", GetLastError());
            return 1;
        }
        if (!announced) {
            std::printf("listening=1\n");
            std::fflush(stdout);
            announced = true;
        }
        if (ConnectNamedPipe(pipe, nullptr) || GetLastError() == ERROR_PIPE_CONNECTED) {
            std::uint8_t request[kLongestRequestSize + 16];
            DWORD done = 0;
            if (ReadFile(pipe, request, sizeof request, &done, nullptr) ||
                GetLastError() == ERROR_MORE_DATA) {
                const std::vector<std::uint8_t> answer = SuccessAnswer();
                WriteFile(pipe, answer.data(), static_cast<DWORD>(answer.size()), &done, nullptr);
                FlushFileBuffers(pipe);
                std::printf("answered=%d\n", ++answered);
                std::fflush(stdout);
            }
            DisconnectNamedPipe(pipe);
        }
        CloseHandle(pipe);
    }
    return 0;
}
