// The SNTP unicast client: one request to one server, checked, timed, and
// the system clock set from the answer.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock_types.h"
#include "platform/sockets.h"
#include "protocols/correction_bounds.h"
#include "protocols/ntp_packet.h"
#include "protocols/text_reporter.h"

namespace orvane {

using SntpReportCallback = std::function<void(
    const SntpPacket& request, const net::SocketAddress& server, const SntpPacket& reply,
    const SystemTime& old_local_time, const SystemTime& new_local_time)>;

constexpr std::uint16_t kSntpPort = 123;

// Set-up, normally by the engine at start.
void SetSntpReportCallback(SntpReportCallback callback);
void SetSntpTextReporter(TextReporter reporter);
// Local address (network order) the client socket binds to.
void SetSntpBindAddress(std::uint32_t address);
std::uint32_t GetSntpBindAddress();
// The server port; 123 in the product, another port only in tests.
void SetSntpServerPort(std::uint16_t port);

// What one exchange did. The fields past error_text hold what was learnt
// before the exchange ended (a refused clock still leaves the delay and the
// old time); stratum and version are set only with success.
struct SntpExchangeResult {
    int result = 0;          // 1 when the clock was set
    std::string error_text;  // why not; empty also when another exchange was running
    int stratum = 0;
    int version = 0;
    int delay_ms = 0;
    SystemTime old_local_time;
    SystemTime new_local_time;
    // The server's kiss-o'-death code ("RATE": ask less often; "DENY",
    // "RSTR": ask no more), empty when it sent none. No clock is set then.
    std::string kiss_code;
    // Something came back from the server (a reply, good or bad); false
    // after a time-out or a network error, when another try may do better.
    bool answered = false;
    // The clock's code when it refused the time (87: an impossible time),
    // else 0.
    int clock_error = 0;
    // The correction measured and what the caller's rules said of it; no
    // clock is set unless the verdict is kApply. While it waits for the
    // user's word (kAsk), stratum and version are filled as for a success.
    CorrectionDecision correction;
};

// A kiss code that asks for no more requests ("DENY", "RSTR"), as opposed
// to one that asks for fewer ("RATE").
inline bool KissRefusesRequests(const std::string& code) {
    return code == "DENY" || code == "RSTR";
}

// Asks the server (only its address is used) for the time and sets the
// clock. Only one exchange runs at a time: a second caller fails at once.
// A report hook given here is used for this exchange instead of the
// module-wide one. `rules` (may be null: none) bound the correction.
SntpExchangeResult SntpExchange(net::SocketAddress server, int timeout_ms,
                                const SntpReportCallback& report = nullptr,
                                const CorrectionRules* rules = nullptr);

// The round-trip delay D and the new time N of an exchange, from host-form
// timestamps. D is signed: a server that reports a holding time longer
// than the round trip gives a small negative D.
struct SntpComputation {
    std::int64_t round_trip = 0;  // D, in host-form units (2^-32 s)
    std::int32_t delay_ms = 0;
    std::uint64_t new_time = 0;  // N, host form
};
SntpComputation ComputeSntpResult(std::uint64_t t1, std::uint64_t t2, std::uint64_t t3,
                                  std::uint64_t t4);

// True when the timestamps (host form) cannot come from a working server:
// it sent its answer before it received the request (T3 < T2), or it held
// the request longer than the whole round trip (T3 - T2 > T4 - T1) by more
// than a millisecond, more than the clocks' rounding explains.
bool ImpossibleSntpDelay(std::uint64_t t1, std::uint64_t t2, std::uint64_t t3, std::uint64_t t4);

// The checks a reply must pass before its time is used: returns the error
// text, or an empty text when the reply is acceptable. kiss_code_out (may
// be null) receives the kiss code of a kiss-o'-death that answers the
// request (four characters, unprintable ones as '?'), else an empty text.
std::string CheckSntpReply(const std::uint8_t* datagram, int length, NtpTimestamp sent_transmit,
                           SntpPacket* reply_out, std::string* kiss_code_out = nullptr);

}  // namespace orvane
