// What happens when an SNTP broadcast arrives: the clock is set to its
// transmit time (or, when the Orvane Time Service sets the clock, what it
// reports having applied is taken), the outcome kept for the status dialog
// and logged.
#pragma once

#include <cstdint>

#include "platform/sockets.h"
#include "protocols/ntp_packet.h"
#include "protocols/text_reporter.h"

namespace orvane {

// When the service's Status is asked for after a broadcast is heard.
constexpr int kServiceBroadcastFirstAskMs = 200;
constexpr int kServiceBroadcastSecondAskMs = 600;

// Installed in the broadcast listener; runs on the listener thread.
// `arrival` is the precise clock (NTP host form) when the packet came.
void BroadcastReceived(const SntpPacket& packet, const net::SocketAddress& source,
                       std::uint64_t arrival);

// Where a failure to set the clock is reported (the engine gives the same
// reporter as the SNTP module's). Reported once until a broadcast sets the
// clock again.
void SetBroadcastClockFailureReporter(TextReporter reporter);

// Forgets the host names of the senders seen so far and the service's last
// broadcast shown (engine start, tests).
void ForgetBroadcastSenderNames();

// The log text of a broadcast at the given detail.
std::string BroadcastLogText(const SntpPacket& packet, const net::SocketAddress& source,
                             bool long_form);

}  // namespace orvane
