// The checks a broadcast packet and its sender pass before the clock is set
// from it, by Orvane's own listener or by the time service: the packet's
// fields, and a sender on a directly connected subnet other than this PC.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/local_networks.h"
#include "protocols/ntp_packet.h"

namespace orvane {

// Empty when the packet may set the clock: mode 5, version 1 to 4,
// stratum 1 to 15, leap indicator not 3, a transmit time that is not zero.
// Otherwise why not.
std::string CheckBroadcastPacket(const SntpPacket& packet);

// Whether the sender (network order) lies in the subnet of one of the
// interfaces and is neither a loopback address nor one of this PC's own.
bool SenderOnConnectedSubnet(std::uint32_t sender, const std::vector<LocalInterface>& interfaces);

}  // namespace orvane
