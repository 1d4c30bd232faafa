#include "protocols/time_client.h"

#include <chrono>
#include <cstdio>
#include <mutex>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "protocols/exchange_support.h"
#include "protocols/ntp_packet.h"

namespace orvane {

namespace {

constexpr int kReceiveBufferSize = 900;
constexpr std::int64_t kSecondsPerDay = 86400;
// Whole days from 1900-01-01 to day 1 (1973-01-01), less one.
constexpr std::int64_t kDayNumberOffset = 26662;

std::mutex setup_mutex;
TextReporter text_reporter;
TimeReportCallback udp_report_callback;
TimeReportCallback tcp_report_callback;
std::uint16_t server_port = kTimePort;

// A refused clock setting: reported at once (also during automatic
// updates) and returned as the failure text.
void FailClockSetting(int code, const TextReporter& reporter, std::string* error_text) {
    SetLastErrorCode(code);
    const std::string text = code == kErrorInvalidParameter
                                 ? std::string("Corrupt time received")
                                 : FormatWithNumber("SetSystemTime() failed, error code %d", code);
    if (reporter)
        reporter(text);
    SetErrorText(error_text, text);
}

// The milliseconds between t0 and now, or false when the tick counter
// wrapped in between.
bool ElapsedTicks(std::uint32_t t0, int* delay_out) {
    std::uint32_t t1 = TheClock().GetTickCount();
    if (t1 < t0)
        return false;
    if (delay_out != nullptr)
        *delay_out = static_cast<int>(t1 - t0);
    return true;
}

}  // namespace

void SetTimeTextReporter(TextReporter reporter) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    text_reporter = std::move(reporter);
}

void SetTimeUdpReportCallback(TimeReportCallback callback) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    udp_report_callback = std::move(callback);
}

void SetTimeTcpReportCallback(TimeReportCallback callback) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    tcp_report_callback = std::move(callback);
}

void SetTimeServerPort(std::uint16_t port) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    server_port = port;
}

std::uint32_t TimeWordFromBytes(const std::uint8_t bytes[4]) {
    return bytes[0] | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) |
           (static_cast<std::uint32_t>(bytes[3]) << 24);
}

std::uint32_t TimeWordSeconds(std::uint32_t received_word) {
    return (received_word >> 24) | ((received_word >> 8) & 0xFF00u) |
           ((received_word << 8) & 0xFF0000u) | (received_word << 24);
}

SystemTime TimeSecondsToUtc(std::uint32_t seconds_since_1900) {
    std::int64_t s = seconds_since_1900;
    // Top bit clear: the era that began 2036-02-07 06:28:16 UTC.
    if ((seconds_since_1900 & 0x80000000u) == 0)
        s += 0x100000000LL;
    std::int64_t days = s / kSecondsPerDay;
    CalendarDate date = DayNumberToDate(static_cast<std::int32_t>(days - kDayNumberOffset));
    std::int64_t in_day = s % kSecondsPerDay;
    SystemTime t;
    t.wYear = date.year;
    t.wMonth = date.month;
    t.wDay = date.day;
    // 1900-01-01 was a Monday.
    t.wDayOfWeek = static_cast<std::uint16_t>((days + 1) % 7);
    t.wHour = static_cast<std::uint16_t>(in_day / 3600);
    t.wMinute = static_cast<std::uint16_t>(in_day / 60 % 60);
    t.wSecond = static_cast<std::uint16_t>(in_day % 60);
    t.wMilliseconds = 0;
    return t;
}

int TimeUdpExchange(net::SocketAddressIn server, int timeout_ms, int* delay_out,
                    SystemTime* time_before_out, SystemTime* time_after_out,
                    std::string* error_text) {
    TextReporter reporter;
    TimeReportCallback report;
    net::SocketAddressIn to = server;
    {
        std::lock_guard<std::mutex> lock(setup_mutex);
        reporter = text_reporter;
        report = udp_report_callback;
        to.family = net::kAfInet;
        to.port = net::HostToNetwork16(server_port);
    }

    net::SocketHandle s = net::CreateSocket(net::SocketType::kDatagram);
    if (s == net::kInvalidSocket) {
        SetErrorText(error_text, "Unable to create TIME UDP socket");
        return 0;
    }
    net::SocketAddressIn local;
    local.family = net::kAfInet;
    if (net::BindSocket(s, local) != 0) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "Unable to bind to TIME UDP port");
        return 0;
    }

    std::uint32_t t0 = TheClock().GetTickCount();
    std::uint8_t buffer[kReceiveBufferSize] = {};
    if (net::SendTo(s, buffer, 0, to) < 0) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "sendto() failed");
        return 0;
    }
    // A time-out and a failed wait are one failure to the user.
    if (net::WaitReadable(s, timeout_ms) != 1) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "select() failed");
        return 0;
    }
    int received = net::RecvFrom(s, buffer, kReceiveBufferSize, nullptr);
    if (received < 0) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "recvfrom() failed");
        return 0;
    }
    if (received != 4) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "result!=sizeof(unsigned long)");
        return 0;
    }
    if (!ElapsedTicks(t0, delay_out)) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "Internal error");
        return 0;
    }

    std::uint32_t word = TimeWordFromBytes(buffer);
    Clock& clock = TheClock();
    SystemTime local_time;
    if (!clock.UtcToLocalTime(TimeSecondsToUtc(TimeWordSeconds(word)), &local_time)) {
        CloseSocketKeepingError(s);
        FailClockSetting(kErrorInvalidParameter, reporter, error_text);
        return 0;
    }
    local_time.wMilliseconds = 0;

    SystemTime before = clock.GetLocalTime();
    if (time_before_out != nullptr)
        *time_before_out = before;
    int set_error = clock.SetLocalTime(local_time);
    if (set_error != 0) {
        CloseSocketKeepingError(s);
        FailClockSetting(set_error, reporter, error_text);
        return 0;
    }
    SystemTime after = clock.GetLocalTime();
    if (time_after_out != nullptr)
        *time_after_out = after;
    net::CloseSocket(s);
    if (report)
        report(word, server);
    return 1;
}

int TimeTcpExchange(net::SocketAddressIn server, int* delay_out, SystemTime* time_before_out,
                    SystemTime* time_after_out, std::string* error_text) {
    TextReporter reporter;
    TimeReportCallback report;
    {
        std::lock_guard<std::mutex> lock(setup_mutex);
        reporter = text_reporter;
        report = tcp_report_callback;
        server.family = net::kAfInet;
        server.port = net::HostToNetwork16(server_port);
    }

    net::SocketHandle s = net::CreateSocket(net::SocketType::kStream);
    if (s == net::kInvalidSocket) {
        SetErrorText(error_text, "Unable to create TIME TCP socket");
        return 0;
    }

    // Connecting and receiving share one time limit, so a server that
    // accepts and never sends cannot hold the update thread.
    using SteadyClock = std::chrono::steady_clock;
    const SteadyClock::time_point deadline =
        SteadyClock::now() + std::chrono::milliseconds(kTimeTcpTimeLimitMs);
    auto remaining_ms = [&deadline]() {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    };

    std::uint32_t t0 = TheClock().GetTickCount();
    if (net::ConnectWithTimeout(s, server, kTimeTcpTimeLimitMs) != 0) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "Unable to bind to TIME TCP port");
        return 0;
    }

    // TCP may deliver the four bytes in pieces: gather them until the
    // server closes or the time is up.
    std::uint8_t buffer[4] = {};
    int received = 0;
    while (received < 4) {
        int ready = net::WaitReadable(s, remaining_ms());
        if (ready == 0) {
            if (received > 0)
                break;  // a short answer, then silence
            SetLastErrorCode(net::kWsaEtimedout);
        }
        if (ready != 1) {
            CloseSocketKeepingError(s);
            SetErrorText(error_text, "recv() failed");
            return 0;
        }
        int n = net::Recv(s, buffer + received, 4 - received);
        if (n < 0) {
            CloseSocketKeepingError(s);
            SetErrorText(error_text, "recv() failed");
            return 0;
        }
        if (n == 0)
            break;  // closed by the server
        received += n;
    }
    if (received != 4) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "result!=sizeof(unsigned long)");
        return 0;
    }
    if (!ElapsedTicks(t0, delay_out)) {
        CloseSocketKeepingError(s);
        SetErrorText(error_text, "Internal error");
        return 0;
    }

    std::uint32_t word = TimeWordFromBytes(buffer);
    SystemTime utc = TimeSecondsToUtc(TimeWordSeconds(word));
    Clock& clock = TheClock();
    SystemTime before = clock.GetLocalTime();
    if (time_before_out != nullptr)
        *time_before_out = before;
    int set_error = clock.SetSystemTime(utc);
    if (set_error != 0) {
        CloseSocketKeepingError(s);
        FailClockSetting(set_error, reporter, error_text);
        return 0;
    }
    SystemTime after = clock.GetLocalTime();
    if (time_after_out != nullptr)
        *time_after_out = after;
    net::CloseSocket(s);
    if (report)
        report(word, server);
    return 1;
}

}  // namespace orvane
