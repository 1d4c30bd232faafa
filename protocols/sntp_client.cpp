#include "protocols/sntp_client.h"

#include <atomic>
#include <cstdio>
#include <mutex>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "protocols/exchange_support.h"

namespace orvane {

namespace {

constexpr int kReceiveBufferSize = 900;

std::atomic<bool> exchange_busy{false};
std::mutex setup_mutex;
SntpReportCallback report_callback;
TextReporter text_reporter;
std::uint32_t bind_address = 0;
std::uint16_t server_port = kSntpPort;

// Milliseconds of a non-negative round trip, before narrowing to 32 bits.
std::int64_t DelayMilliseconds(std::uint64_t d) {
    std::int64_t whole = static_cast<std::int64_t>(d >> 32) * 1000;
    auto part = static_cast<std::int64_t>(static_cast<double>(static_cast<std::uint32_t>(d)) *
                                          2.3283064370807974e-10 * 1000);
    return whole + part;
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

std::string CheckSntpReply(const std::uint8_t* datagram, int length, NtpTimestamp sent_transmit,
                           SntpPacket* reply_out) {
    if (length < static_cast<int>(kSntpPacketSize)) {
        return "Received packet was not a reply to the sent packet";
    }
    SntpPacket reply = DecodePacket(datagram);
    if (reply_out != nullptr)
        *reply_out = reply;
    if (reply.originate_timestamp != sent_transmit) {
        return "Received packet was not a reply to the sent packet";
    }
    if (reply.leap_indicator == 3)
        return "Server's clock is not synchronised";
    return std::string();
}

int SntpExchange(net::SocketAddressIn server, int timeout_ms, int* stratum_out, int* version_out,
                 int* delay_out, SystemTime* old_local_time_out, SystemTime* new_local_time_out,
                 std::string* error_text) {
    if (exchange_busy.exchange(true))
        return 0;
    struct BusyRelease {
        ~BusyRelease() { exchange_busy.store(false); }
    } release;

    SntpReportCallback report;
    TextReporter reporter;
    net::SocketAddressIn local;
    {
        std::lock_guard<std::mutex> lock(setup_mutex);
        report = report_callback;
        reporter = text_reporter;
        local.family = net::kAfInet;
        local.address = bind_address;
        server.family = net::kAfInet;
        server.port = net::HostToNetwork16(server_port);
    }

    net::SocketHandle s = net::CreateSocket(net::SocketType::kDatagram);
    if (s == net::kInvalidSocket) {
        SetErrorText(error_text, "Unable to create SNTP unicast send socket");
        return 0;
    }
    if (net::BindSocket(s, local) != 0) {
        SetErrorText(error_text, "Unable to bind SNTP unicast send socket to port");
        CloseSocketKeepingError(s);
        return 0;
    }

    SntpPacket request;
    request.version_number = 4;
    request.mode = 3;
    request.stratum = 1;
    request.transmit_timestamp = CurrentNtpTime();
    std::uint8_t datagram[kReceiveBufferSize] = {};
    EncodePacket(request, datagram);
    if (net::SendTo(s, datagram, static_cast<int>(kSntpPacketSize), server) < 0) {
        SetErrorText(error_text, FormatWithNumber("Unable to send.  Winsock error number %d.",
                                                  net::LastSocketError()));
        CloseSocketKeepingError(s);
        return 0;
    }

    int ready = net::WaitReadable(s, timeout_ms);
    if (ready == 0) {
        SetErrorText(error_text, FormatWithNumber("No response from server within %d milliseconds",
                                                  timeout_ms));
        CloseSocketKeepingError(s);
        return 0;
    }
    if (ready < 0) {
        SetErrorText(error_text, FormatWithNumber("select() failed.  Winsock error number %d.",
                                                  net::LastSocketError()));
        CloseSocketKeepingError(s);
        return 0;
    }
    int received = net::RecvFrom(s, datagram, kReceiveBufferSize, nullptr);
    if (received < 0) {
        SetErrorText(error_text, FormatWithNumber("Unable to receive.  Winsock error number %d.",
                                                  net::LastSocketError()));
        CloseSocketKeepingError(s);
        return 0;
    }
    std::uint64_t t4 = HostForm(CurrentNtpTime());

    SntpPacket reply;
    std::string refusal = CheckSntpReply(datagram, received, request.transmit_timestamp, &reply);
    if (!refusal.empty()) {
        SetErrorText(error_text, refusal);
        CloseSocketKeepingError(s);
        return 0;
    }

    SntpComputation result =
        ComputeSntpResult(HostForm(reply.originate_timestamp), HostForm(reply.receive_timestamp),
                          HostForm(reply.transmit_timestamp), t4);
    if (delay_out != nullptr)
        *delay_out = result.delay_ms;

    SystemTime utc = NtpTimeToCalendar(HostForm(result.new_time));
    Clock& clock = TheClock();
    SystemTime old_local = clock.GetLocalTime();
    if (old_local_time_out != nullptr)
        *old_local_time_out = old_local;
    int set_error = clock.SetSystemTime(utc);
    if (set_error == kErrorInvalidParameter) {
        SetLastErrorCode(set_error);
        const std::string text = "Corrupt SNTP time received";
        if (reporter)
            reporter(text);
        SetErrorText(error_text, text);
        CloseSocketKeepingError(s);
        SystemTime unwritten = new_local_time_out != nullptr ? *new_local_time_out : SystemTime{};
        if (report)
            report(request, server, reply, old_local, unwritten);
        return 0;
    }
    if (set_error != 0) {
        // The clock was not set: this is a failure, never a success.
        SetLastErrorCode(set_error);
        const std::string text =
            FormatWithNumber("SetSystemTime() failed, error code %d", set_error);
        if (reporter)
            reporter(text);
        SetErrorText(error_text, text);
        CloseSocketKeepingError(s);
        return 0;
    }

    SystemTime new_local = clock.GetLocalTime();
    if (new_local_time_out != nullptr)
        *new_local_time_out = new_local;
    if (stratum_out != nullptr)
        *stratum_out = reply.stratum;
    if (version_out != nullptr)
        *version_out = reply.version_number;
    net::CloseSocket(s);
    if (report)
        report(request, server, reply, old_local, new_local);
    return 1;
}

}  // namespace orvane
