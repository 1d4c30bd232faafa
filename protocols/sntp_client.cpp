#include "protocols/sntp_client.h"

#include <atomic>
#include <mutex>
#include <random>

#include "platform/clock.h"
#include "protocols/exchange_support.h"

namespace orvane {

namespace {

constexpr int kReceiveBufferSize = 900;
// The lowest 16 bits of the fraction: about 15 microseconds.
constexpr std::uint64_t kRandomFractionMask = 0xFFFF;
constexpr char kNotAReplyText[] = "Received packet was not a reply to the sent packet";
constexpr char kNotSynchronisedText[] = "Server's clock is not synchronised";

std::atomic<bool> exchange_busy{false};
std::mutex setup_mutex;
// Never destroyed: an update thread may still report while the process ends.
SntpReportCallback& report_callback = *new SntpReportCallback;
TextReporter& text_reporter = *new TextReporter;
std::uint32_t bind_address = 0;
std::uint16_t server_port = kSntpPort;

// Milliseconds of a non-negative round trip, before narrowing to 32 bits.
std::int64_t DelayMilliseconds(std::uint64_t d) {
    std::int64_t whole = static_cast<std::int64_t>(d >> 32) * 1000;
    auto part = static_cast<std::int64_t>(static_cast<double>(static_cast<std::uint32_t>(d)) *
                                          2.3283064370807974e-10 * 1000);
    return whole + part;
}

// The reference identifier's four bytes, in wire order, as text.
std::string KissCode(std::uint32_t reference_identifier) {
    std::string code;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char c = static_cast<char>((reference_identifier >> shift) & 0xFF);
        code += c >= ' ' && c <= '~' ? c : '?';
    }
    return code;
}

// Random bits for the request, from a generator seeded once per process.
std::uint64_t RandomBits() {
    static std::mutex generator_mutex;
    static std::mt19937_64 generator = [] {
        std::random_device device;
        // The clock too, in case the device is weak on some runtime.
        const std::uint64_t now = TheClock().GetSystemTimeAsFileTime().value;
        std::seed_seq seed{device(),
                           device(),
                           device(),
                           device(),
                           static_cast<std::uint32_t>(now),
                           static_cast<std::uint32_t>(now >> 32),
                           TheClock().GetTickCount()};
        return std::mt19937_64(seed);
    }();
    std::lock_guard<std::mutex> lock(generator_mutex);
    return generator();
}

// The time to send, its lowest fraction bits random. They lie far below the
// system clock's resolution, so the time loses nothing, and a forger who
// cannot see the request cannot guess the originate timestamp the answer
// must carry.
NtpTimestamp TransmitTimestamp() {
    const std::uint64_t now = HostForm(CurrentNtpTime());
    return HostForm((now & ~kRandomFractionMask) | (RandomBits() & kRandomFractionMask));
}

// Holds the one-exchange-at-a-time flag for the life of an exchange.
class ExchangeTurn {
  public:
    ExchangeTurn() : taken_(!exchange_busy.exchange(true)) {}
    ~ExchangeTurn() {
        if (taken_)
            exchange_busy.store(false);
    }
    ExchangeTurn(const ExchangeTurn&) = delete;
    ExchangeTurn& operator=(const ExchangeTurn&) = delete;
    bool taken() const { return taken_; }

  private:
    bool taken_;
};

// The set-up an exchange works with, read once at its start.
struct SntpSetup {
    SntpReportCallback report;
    TextReporter reporter;
    net::SocketAddress local;
    net::SocketAddress server;  // with the SNTP port filled in
};

// The caller's report hook when it gives one, else the module-wide one.
SntpSetup CurrentSetup(net::SocketAddress server, const SntpReportCallback& report) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    SntpSetup setup;
    setup.report = report ? report : report_callback;
    setup.reporter = text_reporter;
    setup.server = server;
    if (setup.server.family != net::kAfInet6)
        setup.server.family = net::kAfInet;
    setup.server.port = net::HostToNetwork16(server_port);
    // The bind address is IPv4; an IPv6 server is asked from any address.
    setup.local.family = setup.server.family;
    if (setup.local.family == net::kAfInet)
        setup.local.address = bind_address;
    return setup;
}

// The request sent and what came back.
struct SntpAnswer {
    SntpPacket request;
    std::uint8_t datagram[kReceiveBufferSize] = {};
    int length = 0;
    std::uint64_t arrival = 0;  // T4, host form
};

// Sends the request and receives the server's datagram; the failure text,
// or an empty text.
std::string AskServer(const SntpSetup& setup, int timeout_ms, SntpAnswer* answer) {
    ExchangeSocket s(net::SocketType::kDatagram, setup.server.family);
    if (!s.valid())
        return "Unable to create SNTP unicast send socket";
    if (net::BindSocket(s.handle(), setup.local) != 0)
        return "Unable to bind SNTP unicast send socket to port";

    SntpPacket& request = answer->request;
    request.version_number = kNtpVersion;
    request.mode = kModeClient;
    request.stratum = 1;
    request.transmit_timestamp = TransmitTimestamp();
    EncodePacket(request, answer->datagram);
    const std::uint32_t sent_ticks = TheClock().GetTickCount();
    if (net::SendTo(s.handle(), answer->datagram, static_cast<int>(kSntpPacketSize), setup.server) <
        0) {
        return FormatWithNumber("Unable to send.  Winsock error number %d.",
                                net::LastSocketError());
    }

    const auto take_arrival = [answer] { answer->arrival = HostForm(CurrentNtpTime()); };
    switch (ReceiveFromServer(s.handle(), setup.server, sent_ticks, timeout_ms, answer->datagram,
                              kReceiveBufferSize, &answer->length, take_arrival)) {
        case ServerReceive::kReceived:
            return std::string();
        case ServerReceive::kTimedOut:
            return FormatWithNumber("No response from server within %d milliseconds", timeout_ms);
        case ServerReceive::kWaitFailed:
            return FormatWithNumber("select() failed.  Winsock error number %d.",
                                    net::LastSocketError());
        case ServerReceive::kReceiveFailed:
            break;
    }
    return FormatWithNumber("Unable to receive.  Winsock error number %d.", net::LastSocketError());
}

// Sets the clock to the new time (host form), which was the server's time
// at `arrival`: the time that has passed since then is added from a clock
// read just before the set, so the milliseconds spent getting here do not
// leave the clock behind. False with the failure text when the clock
// refuses it.
bool SetClock(const SntpSetup& setup, const SntpPacket& request, const SntpPacket& reply,
              std::uint64_t new_time, std::uint64_t arrival, SntpExchangeResult* result) {
    Clock& clock = TheClock();
    result->old_local_time = clock.GetLocalTime();
    const int error = clock.SetSystemTimeFrom(
        [&] { return CalendarTimeCarriedTo(new_time, arrival, HostForm(CurrentNtpTime())); });
    if (error == 0) {
        result->new_local_time = clock.GetLocalTime();
        return true;
    }
    result->clock_error = error;
    result->error_text = ReportClockRefusal(error, "Corrupt SNTP time received", setup.reporter);
    // A corrupt time is still logged with the packets that brought it.
    if (error == kErrorInvalidParameter && setup.report)
        setup.report(request, setup.server, reply, result->old_local_time, result->new_local_time);
    return false;
}

}  // namespace

void SetSntpReportCallback(SntpReportCallback callback) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    report_callback = std::move(callback);
}

void SetSntpTextReporter(TextReporter reporter) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    text_reporter = std::move(reporter);
}

void SetSntpBindAddress(std::uint32_t address) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    bind_address = address;
}

std::uint32_t GetSntpBindAddress() {
    std::lock_guard<std::mutex> lock(setup_mutex);
    return bind_address;
}

void SetSntpServerPort(std::uint16_t port) {
    std::lock_guard<std::mutex> lock(setup_mutex);
    server_port = port;
}

SntpComputation ComputeSntpResult(std::uint64_t t1, std::uint64_t t2, std::uint64_t t3,
                                  std::uint64_t t4) {
    SntpComputation result;
    // Wrap-around arithmetic, then read as signed: the result is small
    // either way, so the era boundary between T1 and T4 does not matter.
    result.round_trip = static_cast<std::int64_t>((t4 - t3) - t1 + t2);
    std::int64_t delay_ms =
        result.round_trip >= 0
            ? DelayMilliseconds(static_cast<std::uint64_t>(result.round_trip))
            : -DelayMilliseconds(0 - static_cast<std::uint64_t>(result.round_trip));
    // Held in 32 bits as the record keeps it; absurd holding times wrap.
    result.delay_ms = static_cast<std::int32_t>(static_cast<std::uint32_t>(delay_ms));
    result.new_time = t3 + static_cast<std::uint64_t>(result.round_trip / 2);
    return result;
}

bool ImpossibleSntpDelay(std::uint64_t t1, std::uint64_t t2, std::uint64_t t3, std::uint64_t t4) {
    constexpr std::int64_t kOneMillisecond = (1LL << 32) / 1000;
    // Wrap-around differences read as signed: right across an era boundary.
    const auto holding = static_cast<std::int64_t>(t3 - t2);
    const auto round_trip = static_cast<std::int64_t>(t4 - t1);
    return holding < 0 || holding - round_trip > kOneMillisecond;
}

std::string CheckSntpReply(const std::uint8_t* datagram, int length, NtpTimestamp sent_transmit,
                           SntpPacket* reply_out, std::string* kiss_code_out) {
    if (kiss_code_out != nullptr)
        kiss_code_out->clear();
    if (length < static_cast<int>(kSntpPacketSize))
        return kNotAReplyText;
    SntpPacket reply = DecodePacket(datagram);
    if (reply_out != nullptr)
        *reply_out = reply;
    if (reply.originate_timestamp != sent_transmit || reply.mode != kModeServer ||
        reply.version_number < kOldestNtpVersion || reply.version_number > kNtpVersion) {
        return kNotAReplyText;
    }
    // Only now is it the server's answer, so only now may its kiss count.
    const std::string kiss_code =
        reply.stratum == kStratumKissOfDeath ? KissCode(reply.reference_identifier) : std::string();
    if (kiss_code_out != nullptr)
        *kiss_code_out = kiss_code;
    if (reply.leap_indicator == kLeapAlarm)
        return kNotSynchronisedText;
    if (!kiss_code.empty())
        return "Server sent kiss code " + kiss_code;
    // Zero timestamps would set the clock to 1900 or 2036.
    if (reply.stratum >= kStratumUnsynchronised || reply.receive_timestamp == 0 ||
        reply.transmit_timestamp == 0) {
        return kNotSynchronisedText;
    }
    return std::string();
}

SntpExchangeResult SntpExchange(net::SocketAddress server, int timeout_ms,
                                const SntpReportCallback& report, const CorrectionRules* rules) {
    SntpExchangeResult result;
    ExchangeTurn turn;
    if (!turn.taken())
        return result;
    const SntpSetup setup = CurrentSetup(server, report);

    SntpAnswer answer;
    result.error_text = AskServer(setup, timeout_ms, &answer);
    if (!result.error_text.empty())
        return result;
    result.answered = true;
    SntpPacket reply;
    result.error_text =
        CheckSntpReply(answer.datagram, answer.length, answer.request.transmit_timestamp, &reply,
                       &result.kiss_code);
    if (!result.error_text.empty())
        return result;

    const std::uint64_t t1 = HostForm(reply.originate_timestamp);
    const std::uint64_t t2 = HostForm(reply.receive_timestamp);
    const std::uint64_t t3 = HostForm(reply.transmit_timestamp);
    if (ImpossibleSntpDelay(t1, t2, t3, answer.arrival)) {
        result.error_text = kNotSynchronisedText;
        return result;
    }
    const SntpComputation computed = ComputeSntpResult(t1, t2, t3, answer.arrival);
    result.delay_ms = computed.delay_ms;
    // The correction stays what it was at the arrival, however late the
    // clock is set.
    const std::int64_t correction_ms = NtpCorrectionMs(computed.new_time, answer.arrival);
    result.correction.correction_ms = correction_ms;
    if (rules != nullptr) {
        result.correction = DecideCorrectionNow(*rules, correction_ms);
        if (result.correction.verdict == CorrectionVerdict::kAsk) {
            result.stratum = reply.stratum;
            result.version = reply.version_number;
        }
        if (result.correction.verdict != CorrectionVerdict::kApply) {
            result.error_text = result.correction.text;
            return result;
        }
    }
    if (!SetClock(setup, answer.request, reply, computed.new_time, answer.arrival, &result))
        return result;

    result.stratum = reply.stratum;
    result.version = reply.version_number;
    result.result = 1;
    if (setup.report)
        setup.report(answer.request, setup.server, reply, result.old_local_time,
                     result.new_local_time);
    return result;
}

}  // namespace orvane
