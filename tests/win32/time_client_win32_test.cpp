#include "protocols/time_client.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "support/fake_clock.h"
#include "platform/last_error.h"
#include "platform/win32/clock_win32.h"

namespace orvane {
namespace {

const char kWorkedExample[4] = {'\xC1', '\xFF', '\xEA', '\x80'};

std::uint64_t ToFileTime(const SYSTEMTIME& s) {
    FILETIME f;
    ::SystemTimeToFileTime(&s, &f);
    return (static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
}

SOCKET BoundLoopbackSocket(int type, std::uint16_t* port) {
    SOCKET s = ::socket(AF_INET, type, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    int size = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &size);
    *port = ntohs(a.sin_port);
    return s;
}

TEST(Win32TimeZoneTest, UtcToLocalAgreesWithTheSystem) {
    Win32Clock clock;
    SYSTEMTIME utc, local;
    ::GetSystemTime(&utc);
    ::GetLocalTime(&local);
    SystemTime u{utc.wYear, utc.wMonth,  utc.wDayOfWeek, utc.wDay,
                 utc.wHour, utc.wMinute, utc.wSecond,    utc.wMilliseconds};
    SystemTime converted;
    ASSERT_TRUE(clock.UtcToLocalTime(u, &converted));
    SYSTEMTIME c{converted.wYear, converted.wMonth,  converted.wDayOfWeek, converted.wDay,
                 converted.wHour, converted.wMinute, converted.wSecond,    converted.wMilliseconds};
    std::uint64_t a = ToFileTime(c), b = ToFileTime(local);
    EXPECT_LT(a > b ? a - b : b - a, 20000000ULL);  // within 2 s
    EXPECT_EQ(converted.wDayOfWeek, local.wDayOfWeek);

    SystemTime impossible{2026, 13, 0, 1, 0, 0, 0, 0};
    EXPECT_FALSE(clock.UtcToLocalTime(impossible, &converted));
}

class Win32TimeClientTest : public ::testing::Test {
  protected:
    void SetUp() override { UseClock(&clock_); }
    void TearDown() override {
        SetTimeServerPort(kTimePort);
        UseClock(nullptr);
    }
    FakeClock clock_;
};

TEST_F(Win32TimeClientTest, UdpExchangeOverWinsock) {
    std::uint16_t port = 0;
    SOCKET server = BoundLoopbackSocket(SOCK_DGRAM, &port);
    std::thread answer([server] {
        char request[16];
        sockaddr_in from{};
        int size = sizeof from;
        int n = ::recvfrom(server, request, sizeof request, 0, reinterpret_cast<sockaddr*>(&from),
                           &size);
        if (n == 0) {
            ::sendto(server, kWorkedExample, 4, 0, reinterpret_cast<sockaddr*>(&from), size);
        }
    });
    SetTimeServerPort(port);
    const TimeExchangeResult r = TimeUdpExchange(net::MakeAddress(0x7F000001, kTimePort), 2000);
    EXPECT_EQ(r.result, 1) << r.error_text;
    answer.join();
    ::closesocket(server);
    ASSERT_EQ(clock_.local_times_set().size(), 1u);
    EXPECT_EQ(clock_.local_times_set()[0], (SystemTime{2003, 2, 5, 21, 0, 0, 0, 500}));
}

TEST_F(Win32TimeClientTest, TcpExchangeOverWinsock) {
    std::uint16_t port = 0;
    SOCKET server = BoundLoopbackSocket(SOCK_STREAM, &port);
    ::listen(server, 4);
    std::thread serve([server] {
        SOCKET c = ::accept(server, nullptr, nullptr);
        ::send(c, kWorkedExample, 4, 0);
        ::closesocket(c);
    });
    SetTimeServerPort(port);
    const TimeExchangeResult r = TimeTcpExchange(net::MakeAddress(0x7F000001, kTimePort));
    EXPECT_EQ(r.result, 1) << r.error_text;
    serve.join();
    ::closesocket(server);
    ASSERT_EQ(clock_.system_times_set().size(), 1u);
    EXPECT_EQ(clock_.system_times_set()[0], (SystemTime{2003, 2, 5, 21, 0, 0, 0, 500}));
}

TEST_F(Win32TimeClientTest, TcpServerThatNeverSendsIsGivenUpOn) {
    std::uint16_t port = 0;
    SOCKET server = BoundLoopbackSocket(SOCK_STREAM, &port);
    ::listen(server, 4);
    std::atomic<bool> done{false};
    std::thread serve([server, &done] {
        SOCKET c = ::accept(server, nullptr, nullptr);
        while (!done)
            ::Sleep(20);
        ::closesocket(c);
    });
    SetTimeServerPort(port);
    auto start = std::chrono::steady_clock::now();
    const TimeExchangeResult r = TimeTcpExchange(net::MakeAddress(0x7F000001, kTimePort));
    int last_error = GetLastErrorCode();  // before the clean-up below
    auto waited = std::chrono::steady_clock::now() - start;
    done = true;
    serve.join();
    ::closesocket(server);
    EXPECT_EQ(r.result, 0);
    EXPECT_EQ(r.error_text, "recv() failed");
    EXPECT_EQ(last_error, net::kWsaEtimedout);
    EXPECT_LT(waited, std::chrono::milliseconds(kTimeTcpTimeLimitMs + 1500));
}

}  // namespace
}  // namespace orvane
