#include "protocols/broadcast_checks.h"

#include "platform/sockets.h"

namespace orvane {

std::string CheckBroadcastPacket(const SntpPacket& packet) {
    if (packet.mode != kModeBroadcast)
        return "Not an SNTP broadcast packet";
    if (packet.version_number < kOldestNtpVersion || packet.version_number > kNtpVersion)
        return "Unsupported SNTP version in broadcast";
    if (packet.stratum < 1 || packet.stratum >= kStratumUnsynchronised)
        return "Broadcast server stratum out of range";
    if (packet.leap_indicator == kLeapAlarm)
        return "Broadcast server is not synchronised";
    if (packet.transmit_timestamp == 0)
        return "Broadcast carries no time";
    return "";
}

bool SenderOnConnectedSubnet(std::uint32_t sender, const std::vector<LocalInterface>& interfaces) {
    // Any program on this PC can send from loopback or from one of the PC's
    // own addresses, and no time may come from a local program.
    if ((net::NetworkToHost32(sender) >> 24) == 127)
        return false;
    for (const LocalInterface& local : interfaces) {
        if (sender == local.address)
            return false;
    }
    for (const LocalInterface& local : interfaces) {
        // An interface without an address or mask says nothing about a subnet.
        if (local.address == 0 || local.mask == 0)
            continue;
        if ((sender & local.mask) == (local.address & local.mask))
            return true;
    }
    return false;
}

}  // namespace orvane
