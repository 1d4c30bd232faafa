// The TIME protocol clients (RFC 868): one 32-bit count of seconds since
// 1900 from one server, over UDP or TCP, and the clock set from it: the
// whole second it names, half a second into it, half the round trip and
// the time since the answer arrived later.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock_types.h"
#include "platform/sockets.h"
#include "protocols/correction_bounds.h"
#include "protocols/text_reporter.h"

namespace orvane {

// The received word: the four bytes unconverted, held as a little-endian
// machine loads them (so C1 FF EA 80 on the wire is 0x80EAFFC1 on every
// host). TimeWordSeconds reads it as the big-endian count it carries.
using TimeReportCallback =
    std::function<void(std::uint32_t received_word, const net::SocketAddress& server)>;

constexpr std::uint16_t kTimePort = 37;
// A TIME/TCP exchange gives up when connecting and receiving together take
// longer than this.
constexpr int kTimeTcpTimeLimitMs = 5000;

// Set-up, normally by the engine at start.
void SetTimeTextReporter(TextReporter reporter);
void SetTimeUdpReportCallback(TimeReportCallback callback);
void SetTimeTcpReportCallback(TimeReportCallback callback);
// The server port; 37 in the product, another port only in tests.
void SetTimeServerPort(std::uint16_t port);

// What one exchange did. The fields past error_text hold what was learnt
// before the exchange ended (a refused clock still leaves the delay and the
// time before).
struct TimeExchangeResult {
    int result = 0;  // 1 when the clock was set
    std::string error_text;
    int delay_ms = 0;
    // Something came back from the server (a reply, good or bad); false
    // after a time-out or a network error, when another try may do better.
    bool answered = false;
    SystemTime time_before;  // local times around the setting
    SystemTime time_after;
    // The clock's code when it refused the time (87: an impossible time),
    // else 0.
    int clock_error = 0;
    // The correction measured and what the caller's rules said of it; no
    // clock is set unless the verdict is kApply.
    CorrectionDecision correction;
};

// Each asks the server (only its address is used) for the time and sets the
// clock: the UDP one through the local time, the TCP one through UTC. A
// report hook given here is used for this exchange instead of the
// module-wide one. `rules` (may be null: none) bound the correction.
TimeExchangeResult TimeUdpExchange(net::SocketAddress server, int timeout_ms,
                                   const TimeReportCallback& report = nullptr,
                                   const CorrectionRules* rules = nullptr);
TimeExchangeResult TimeTcpExchange(net::SocketAddress server,
                                   const TimeReportCallback& report = nullptr,
                                   const CorrectionRules* rules = nullptr);

// The time (NTP host form) when the server's answer arrived. The word
// counts the whole second that began when the server read its clock: that
// was on average half a second into it, and half the round trip before
// the arrival. A negative round trip counts as none.
std::uint64_t TimeAnswerArrivalTime(std::uint32_t seconds_since_1900,
                                    std::int64_t round_trip_host_form);

// The word as it arrived (see above) from its four bytes, and the seconds
// since 1900 (modulo 2^32) it carries.
std::uint32_t TimeWordFromBytes(const std::uint8_t bytes[4]);
std::uint32_t TimeWordSeconds(std::uint32_t received_word);

// UTC calendar time of a count of seconds since 1900 modulo 2^32, read in
// the era of NTP timestamps (top bit clear: 2036-02-07 06:28:16 UTC
// onwards), so every count lands between 1968 and 2104. Milliseconds 0.
SystemTime TimeSecondsToUtc(std::uint32_t seconds_since_1900);

}  // namespace orvane
