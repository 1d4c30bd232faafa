// Runs one time exchange through the real Win32 clock and Winsock layer and
// prints its outcome, for the end-to-end tests:
//   exchange_probe sntp|time-udp|time-tcp a.b.c.d
// Output lines: "result=N", "error=...", "stratum=N", "version=N",
// "delay=N", "kiss=..." (the kiss code, SNTP only), "reported=..." (one per
// text reported to the user).
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "platform/win32/install_win32.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "second_phase.h"

using namespace orvane;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::printf("usage: exchange_probe sntp a.b.c.d\n");
        return 2;
    }
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) {
        std::printf("WSAStartup failed\n");
        return 2;
    }
    InstallWin32Platform("exchange probe");

    net::SocketAddress server;
    server.family = net::kAfInet;
    server.address = inet_addr(argv[2]);

    auto reporter = [](const std::string& text) { std::printf("reported=%s\n", text.c_str()); };
    std::string error;
    int result = 0;
    const std::string protocol = argv[1];
    if (protocol == "sntp") {
        SetSntpTextReporter(reporter);
        const SntpExchangeResult exchange = SntpExchange(server, 2000);
        result = exchange.result;
        error = exchange.error_text;
        std::printf("stratum=%d\nversion=%d\ndelay=%d\nkiss=%s\n", exchange.stratum,
                    exchange.version, exchange.delay_ms, exchange.kiss_code.c_str());
    } else if (protocol == "time-udp" || protocol == "time-tcp") {
        SetTimeTextReporter(reporter);
        // Retries only for a machine under load.
        for (int attempt = 0; attempt < 4 && result != 1; ++attempt) {
            WaitForSecondPhase();
            const TimeExchangeResult exchange =
                protocol == "time-udp" ? TimeUdpExchange(server, 2000) : TimeTcpExchange(server);
            result = exchange.result;
            error = exchange.error_text;
            std::printf("attempt=%d result=%d delay=%d error=%s\n", attempt, result,
                        exchange.delay_ms, error.c_str());
            const SystemTime& after = exchange.time_after;
            if (result == 1)
                std::printf("set=%04d-%02d-%02d %02d:%02d:%02d.%03d\n", after.wYear, after.wMonth,
                            after.wDay, after.wHour, after.wMinute, after.wSecond,
                            after.wMilliseconds);
        }
    } else {
        std::printf("unknown protocol %s\n", protocol.c_str());
        return 2;
    }
    std::printf("result=%d\nerror=%s\nlast_error=%d\n", result, error.c_str(),
                static_cast<int>(GetLastError()));
    std::fflush(stdout);
    WSACleanup();
    return 0;
}
