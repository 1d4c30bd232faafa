// The SNTP broadcast listener: a thread that receives mode-5 packets on
// UDP port 123 and hands each usable one from a sender on a directly
// connected subnet to the handler. The port is shared (SO_REUSEADDR), so
// every listener on the PC receives each broadcast; one that cannot bind
// says so and tries again later.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/local_networks.h"
#include "platform/sockets.h"
#include "protocols/ntp_packet.h"
#include "protocols/text_reporter.h"

namespace orvane {

// `arrival`: this PC's precise clock (NTP host form) when the datagram was
// there to read, the moment the packet's transmit time stands for.
using BroadcastHandler = std::function<void(const SntpPacket& packet,
                                            const net::SocketAddress& source,
                                            std::uint64_t arrival)>;
// Reports a failure the listener cannot go on from (the engine installs
// the fatal-error report, which reads the last-error value).
using ErrorReporter = std::function<void(const std::string& text)>;

// Reports that the port could not be bound, with the Winsock error: once,
// until a bind succeeds; the listener tries again each retry interval.
using BindFailureReporter = std::function<void(int winsock_error)>;

void SetBroadcastErrorReporter(ErrorReporter reporter);
void SetBroadcastBindFailureReporter(BindFailureReporter reporter);
// 60 s in the product; shorter only in tests.
constexpr int kBindRetryIntervalMs = 60000;
void SetBroadcastBindRetryInterval(int milliseconds);
void SetBroadcastHandler(BroadcastHandler handler);
// The text reporter shared with the unicast client.
void SetBroadcastTextReporter(TextReporter reporter);
// 123 in the product; another port only in tests.
void SetBroadcastListenPort(std::uint16_t port);
// 0 in the product. Tests can send only from loopback, which is never
// accepted: a non-zero address (network order) stands in for every
// loopback sender, as if the datagram came from that host.
void SetBroadcastSourceForTests(std::uint32_t address);

// Engine reset at start: marks the listener as not wanted without a
// handshake (no thread runs yet).
void ResetBroadcastListening();

// 1 starts the listener thread (if not running); anything else stops it
// with the handshake and returns once the thread has ended.
void SetBroadcastListening(int on);

// What the listener makes of one datagram.
enum class BroadcastVerdict {
    kEmpty,     // reported, at most once a minute
    kInvalid,   // shorter than a packet: reported, at most once a minute
    kDropped,   // silently: no usable broadcast, or a sender not on a connected subnet
                // (this PC itself never is one)
    kAccepted,  // handed to the handler
};
// The checks of one datagram from `source` (network order), in the order
// the listener makes them; the packet is decoded into packet_out (may be
// null) when the datagram is long enough.
BroadcastVerdict CheckBroadcastDatagram(const std::uint8_t* datagram, int length,
                                        std::uint32_t source,
                                        const std::vector<LocalInterface>& interfaces,
                                        SntpPacket* packet_out);

// How often each of the bad-datagram reports may be made.
constexpr std::uint32_t kBadDatagramReportIntervalMs = 60000;

// Handshake state, for tests and diagnostics: 0 never started, 1 starting,
// 2 receiving, 3 closed and waiting, 4 acknowledged, 5 ending.
int BroadcastListenerState();

}  // namespace orvane
