#include "protocols/exchange_support.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "platform/os_errors.h"

namespace orvane {

namespace {

// A datagram too long for any answer (dropped by the receive) or a
// port-unreachable for an earlier request: neither is the server's answer,
// and a stranger could send either, so the wait goes on.
bool IsPassingReport(int code) {
    return code == net::kWsaEmsgsize || code == net::kWsaEconnreset;
}

}  // namespace

std::string FormatWithNumber(const char* format, int value) {
    char text[200];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

ExchangeSocket::ExchangeSocket(net::SocketType type, std::uint16_t family)
    : handle_(net::CreateSocket(type, family)) {
    // The receive loop passes over such reports anyway; this spares it the
    // wake-ups. Where the system cannot turn them off, nothing is lost.
    if (valid() && type == net::SocketType::kDatagram) {
        LastErrorKeeper keep;
        net::DisableConnectionResetReports(handle_);
    }
}

ExchangeSocket::~ExchangeSocket() {
    if (!valid())
        return;
    LastErrorKeeper keep;
    net::CloseSocket(handle_);
}

ServerReceive ReceiveFromServer(net::SocketHandle s, const net::SocketAddress& server,
                                std::uint32_t start_ticks, int timeout_ms, std::uint8_t* buffer,
                                int size, int* length, const std::function<void()>& on_readable) {
    int remaining_ms = timeout_ms;
    for (;;) {
        const int ready = net::WaitReadable(s, remaining_ms);
        if (ready == 0)
            return ServerReceive::kTimedOut;
        if (ready < 0)
            return ServerReceive::kWaitFailed;
        if (on_readable)
            on_readable();
        net::SocketAddress from;
        *length = net::RecvFrom(s, buffer, size, &from);
        if (*length < 0 && !IsPassingReport(net::LastSocketError()))
            return ServerReceive::kReceiveFailed;
        if (*length >= 0 && net::SameHost(from, server) && from.port == server.port)
            return ServerReceive::kReceived;
        // Unsigned difference: right across the counter's wrap.
        const std::uint32_t elapsed = TheClock().GetTickCount() - start_ticks;
        if (elapsed >= static_cast<std::uint32_t>(timeout_ms))
            return ServerReceive::kTimedOut;
        remaining_ms = timeout_ms - static_cast<int>(elapsed);
    }
}

std::string ReportClockRefusal(int code, const char* corrupt_text, const TextReporter& reporter) {
    SetLastErrorCode(code);
    const std::string text = code == kErrorInvalidParameter
                                 ? std::string(corrupt_text)
                                 : FormatWithNumber("SetSystemTime() failed, error code %d", code);
    if (reporter)
        reporter(text);
    return text;
}

}  // namespace orvane
