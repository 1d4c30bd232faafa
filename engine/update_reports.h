// The log entries that describe a successful exchange, registered with the
// SNTP and TIME modules as their report callbacks.
#pragma once

#include <cstdint>

#include "platform/clock_types.h"
#include "platform/sockets.h"
#include "protocols/ntp_packet.h"

namespace orvane {

void SntpReport(const SntpPacket& request, const net::SocketAddress& server,
                const SntpPacket& reply, const SystemTime& time_before,
                const SystemTime& time_after);
// The word is the four received bytes as a little-endian machine loads
// them; it is printed as that number, unconverted.
void TimeTcpReport(std::uint32_t received_word, const net::SocketAddress& server);
void TimeUdpReport(std::uint32_t received_word, const net::SocketAddress& server);

// The texts, for the level that asks for them (short: one line, long: with
// packet dumps or the received time).
std::string SntpReportText(const SntpPacket& request, const net::SocketAddress& server,
                           const SntpPacket& reply, bool long_form);
std::string TimeReportText(const char* protocol_name, std::uint32_t received_word,
                           const net::SocketAddress& server, bool long_form);

}  // namespace orvane
