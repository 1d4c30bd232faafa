// Small pieces every time exchange uses the same way.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/sockets.h"
#include "protocols/text_reporter.h"

namespace orvane {

// One of the exchanges' fixed texts with its number filled in.
std::string FormatWithNumber(const char* format, int value);

// An exchange's socket, closed on every way out of the exchange without
// disturbing the last-error value the caller will read.
class ExchangeSocket {
  public:
    ExchangeSocket(net::SocketType type, std::uint16_t family);
    ~ExchangeSocket();
    ExchangeSocket(const ExchangeSocket&) = delete;
    ExchangeSocket& operator=(const ExchangeSocket&) = delete;

    bool valid() const { return handle_ != net::kInvalidSocket; }
    net::SocketHandle handle() const { return handle_; }

  private:
    net::SocketHandle handle_;
};

// How waiting for the server's datagram ended.
enum class ServerReceive { kReceived, kTimedOut, kWaitFailed, kReceiveFailed };

// Receives the next datagram that comes from the server's address and port,
// dropping any other sender's: those are not answers, and a forger must not
// be able to end the exchange with one. Gives up timeout_ms after
// start_ticks (the clock's tick count when the request went out), however
// many datagrams were dropped meanwhile. `on_readable` (may be empty) runs
// each time a datagram is waiting, before it is read: the moment to take an
// arrival time, which the read itself would make late.
ServerReceive ReceiveFromServer(net::SocketHandle s, const net::SocketAddress& server,
                                std::uint32_t start_ticks, int timeout_ms, std::uint8_t* buffer,
                                int size, int* length,
                                const std::function<void()>& on_readable = nullptr);

// A clock that refused the time: leaves the code as the last-error value,
// reports the text at once (also during automatic updates) and returns it.
// Code 87 (an impossible time) gives corrupt_text, others name the code.
std::string ReportClockRefusal(int code, const char* corrupt_text, const TextReporter& reporter);

}  // namespace orvane
