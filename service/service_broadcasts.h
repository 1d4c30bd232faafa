// The time service's own SNTP broadcast listener: while the machine's
// `Receive sntp broadcasts` is 1 it listens (beside any Orvane.exe, which
// only shows what the service applied), sets the clock from each broadcast
// that passes the listener's checks, and keeps the last one for the Status
// answer. A port it cannot bind is said once in the event log and tried
// again each minute. Goes through the broadcast listener, TheClock(),
// TheRegistry() and TheEventLog().
#pragma once

#include <cstdint>

#include "platform/sockets.h"
#include "protocols/ntp_packet.h"
#include "service/time_service_messages.h"

namespace orvane {

// How often the service reads the machine's setting again.
constexpr int kBroadcastSettingCheckMs = 60000;

// Installs the listener's handler and reporters (once, at service start).
void SetUpServiceBroadcasts();
// Reads `Receive sntp broadcasts` from the machine and starts or stops the
// listener to match; `on` = -1 reads it, 0 or 1 forces it (service stop).
void RefreshServiceBroadcasts(int on = -1);

// The handler the listener calls: sets the clock (the packet's time
// carried from its arrival, by the precise clock in NTP host form, to the
// moment of setting) and keeps the record.
void ServiceBroadcastReceived(const SntpPacket& packet, const net::SocketAddress& source,
                              std::uint64_t arrival);

// The last broadcast the clock was set from; sequence 0 before the first.
AppliedBroadcast LastAppliedBroadcast();
// Forgets it (tests).
void ForgetAppliedBroadcasts();

}  // namespace orvane
