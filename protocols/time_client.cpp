#include "protocols/time_client.h"

#include <chrono>
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
constexpr char kWrongLengthText[] = "result!=sizeof(unsigned long)";
constexpr char kCorruptTimeText[] = "Corrupt time received";
constexpr std::uint64_t kHalfSecond = 1ULL << 31;  // host form

using SteadyClock = std::chrono::steady_clock;

std::mutex setup_mutex;
// Never destroyed: an update thread may still report while the process ends.
TextReporter& text_reporter = *new TextReporter;
TimeReportCallback& udp_report_callback = *new TimeReportCallback;
TimeReportCallback& tcp_report_callback = *new TimeReportCallback;
std::uint16_t server_port = kTimePort;

// The milliseconds between t0 and now, or false when the tick counter
// wrapped in between.
bool ElapsedTicks(std::uint32_t t0, int* delay_ms) {
    std::uint32_t t1 = TheClock().GetTickCount();
    if (t1 < t0)
        return false;
    *delay_ms = static_cast<int>(t1 - t0);
    return true;
}

// The set-up an exchange works with, read once at its start.
struct TimeSetup {
    TextReporter reporter;
    TimeReportCallback report;
    std::uint16_t port = kTimePort;
};

// The caller's hook when it gives one, else the module-wide one.
TimeSetup CurrentSetup(const TimeReportCallback& module_report, const TimeReportCallback& report) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    return TimeSetup{text_reporter, report ? report : module_report, server_port};
}

// The answer and when it came, by the precise clock (NTP host form).
struct TimeAnswer {
    std::uint32_t word = 0;
    std::uint64_t asked = 0;    // the request sent (UDP) or the connection made (TCP)
    std::uint64_t arrival = 0;  // the answer received
};

std::uint64_t PreciseNow() {
    return HostForm(CurrentNtpTime());
}

net::SocketAddress WithTimePort(net::SocketAddress server, std::uint16_t port) {
    if (server.family != net::kAfInet6)
        server.family = net::kAfInet;
    server.port = net::HostToNetwork16(port);
    return server;
}

// Sends the empty request and receives the four-byte answer; the failure
// text, or an empty text.
std::string AskOverUdp(const net::SocketAddress& to, int timeout_ms, TimeAnswer* answer,
                       int* delay_ms) {
    ExchangeSocket s(net::SocketType::kDatagram, to.family);
    if (!s.valid())
        return "Unable to create TIME UDP socket";
    net::SocketAddress local;
    local.family = to.family;
    if (net::BindSocket(s.handle(), local) != 0)
        return "Unable to bind to TIME UDP port";

    const std::uint32_t t0 = TheClock().GetTickCount();
    std::uint8_t buffer[kReceiveBufferSize] = {};
    answer->asked = PreciseNow();
    if (net::SendTo(s.handle(), buffer, 0, to) < 0)
        return "sendto() failed";
    int received = 0;
    const auto take_arrival = [answer] { answer->arrival = PreciseNow(); };
    switch (ReceiveFromServer(s.handle(), to, t0, timeout_ms, buffer, kReceiveBufferSize, &received,
                              take_arrival)) {
        case ServerReceive::kReceived:
            break;
        case ServerReceive::kTimedOut:  // one failure to the user with a failed wait
        case ServerReceive::kWaitFailed:
            return "select() failed";
        case ServerReceive::kReceiveFailed:
            return "recvfrom() failed";
    }
    if (received != 4)
        return kWrongLengthText;
    if (!ElapsedTicks(t0, delay_ms))
        return "Internal error";
    answer->word = TimeWordFromBytes(buffer);
    return std::string();
}

// Gathers up to four bytes, which TCP may deliver in pieces, until the
// server closes or the deadline passes; false when receiving failed.
bool GatherTcpAnswer(net::SocketHandle s, SteadyClock::time_point deadline, std::uint8_t* buffer,
                     int* received) {
    while (*received < 4) {
        auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
        const int ready =
            net::WaitReadable(s, left.count() > 0 ? static_cast<int>(left.count()) : 0);
        if (ready == 0) {
            if (*received > 0)
                return true;  // a short answer, then silence
            SetLastErrorCode(net::kWsaEtimedout);
        }
        if (ready != 1)
            return false;
        const int n = net::Recv(s, buffer + *received, 4 - *received);
        if (n < 0)
            return false;
        if (n == 0)
            return true;  // closed by the server
        *received += n;
    }
    return true;
}

// Connects and receives the four-byte answer; the failure text, or an empty
// text.
std::string AskOverTcp(const net::SocketAddress& to, TimeAnswer* answer, int* delay_ms) {
    ExchangeSocket s(net::SocketType::kStream, to.family);
    if (!s.valid())
        return "Unable to create TIME TCP socket";

    // Connecting and receiving share one time limit, so a server that
    // accepts and never sends cannot hold the update thread.
    const SteadyClock::time_point deadline =
        SteadyClock::now() + std::chrono::milliseconds(kTimeTcpTimeLimitMs);
    const std::uint32_t t0 = TheClock().GetTickCount();
    if (net::ConnectWithTimeout(s.handle(), to, kTimeTcpTimeLimitMs) != 0)
        return "Unable to bind to TIME TCP port";
    // The server reads its clock once it has accepted: the round trip that
    // counts starts now, not with the connection's own.
    answer->asked = PreciseNow();
    std::uint8_t buffer[4] = {};
    int received = 0;
    if (!GatherTcpAnswer(s.handle(), deadline, buffer, &received))
        return "recv() failed";
    answer->arrival = PreciseNow();
    if (received != 4)
        return kWrongLengthText;
    if (!ElapsedTicks(t0, delay_ms))
        return "Internal error";
    answer->word = TimeWordFromBytes(buffer);
    return std::string();
}

enum class ClockSetting { kLocalTime, kUtc };

// Both exchanges' tail: the clock set from the received word and, once set,
// the report. The time set is the server's at the answer's arrival plus the
// time since then, read as late as the clock allows (so the milliseconds
// spent getting here do not leave it behind), to the nearest millisecond.
// A refused time is reported to the user at once.
void SetClockAndReport(const TimeAnswer& answer, ClockSetting setting, const TimeSetup& setup,
                       const CorrectionRules* rules, const net::SocketAddress& reported_server,
                       TimeExchangeResult* result) {
    Clock& clock = TheClock();
    const std::uint64_t at_arrival = TimeAnswerArrivalTime(
        TimeWordSeconds(answer.word), static_cast<std::int64_t>(answer.arrival - answer.asked));
    const auto utc_now = [&] { return CalendarTimeCarriedTo(at_arrival, answer.arrival, PreciseNow()); };
    const std::int64_t correction_ms = NtpCorrectionMs(at_arrival, answer.arrival);
    result->correction.correction_ms = correction_ms;
    if (rules != nullptr) {
        result->correction = DecideCorrectionNow(*rules, correction_ms);
        if (result->correction.verdict != CorrectionVerdict::kApply) {
            result->error_text = result->correction.text;
            return;
        }
    }

    result->time_before = clock.GetLocalTime();
    int error = 0;
    if (setting == ClockSetting::kUtc) {
        error = clock.SetSystemTimeFrom(utc_now);
    } else {
        SystemTime local;
        if (!clock.UtcToLocalTime(utc_now(), &local)) {
            result->clock_error = kErrorInvalidParameter;
            result->error_text =
                ReportClockRefusal(kErrorInvalidParameter, kCorruptTimeText, setup.reporter);
            return;
        }
        error = clock.SetLocalTime(local);
    }
    if (error != 0) {
        result->clock_error = error;
        result->error_text = ReportClockRefusal(error, kCorruptTimeText, setup.reporter);
        return;
    }
    result->time_after = clock.GetLocalTime();
    result->result = 1;
    if (setup.report)
        setup.report(answer.word, reported_server);
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

std::uint64_t TimeAnswerArrivalTime(std::uint32_t seconds_since_1900,
                                    std::int64_t round_trip_host_form) {
    const std::uint64_t half_round_trip =
        round_trip_host_form > 0 ? static_cast<std::uint64_t>(round_trip_host_form) / 2 : 0;
    // Wraps past 2^32 seconds into the next era, which the calendar
    // conversion reads as such.
    return (static_cast<std::uint64_t>(seconds_since_1900) << 32) + kHalfSecond + half_round_trip;
}

TimeExchangeResult TimeUdpExchange(net::SocketAddress server, int timeout_ms,
                                   const TimeReportCallback& report, const CorrectionRules* rules) {
    TimeExchangeResult result;
    const TimeSetup setup = CurrentSetup(udp_report_callback, report);
    TimeAnswer answer;
    result.error_text =
        AskOverUdp(WithTimePort(server, setup.port), timeout_ms, &answer, &result.delay_ms);
    if (result.error_text.empty()) {
        result.answered = true;
        // The report names the server as the caller gave it.
        SetClockAndReport(answer, ClockSetting::kLocalTime, setup, rules, server, &result);
    }
    return result;
}

TimeExchangeResult TimeTcpExchange(net::SocketAddress server, const TimeReportCallback& report,
                                   const CorrectionRules* rules) {
    TimeExchangeResult result;
    const TimeSetup setup = CurrentSetup(tcp_report_callback, report);
    const net::SocketAddress to = WithTimePort(server, setup.port);
    TimeAnswer answer;
    result.error_text = AskOverTcp(to, &answer, &result.delay_ms);
    if (result.error_text.empty()) {
        result.answered = true;
        SetClockAndReport(answer, ClockSetting::kUtc, setup, rules, to, &result);
    }
    return result;
}

}  // namespace orvane
