#include "service/service_broadcasts.h"

#include <cstdio>
#include <mutex>

#include "platform/clock.h"
#include "protocols/correction_bounds.h"
#include "protocols/sntp_broadcast_listener.h"
#include "service/clock_set_recorder.h"
#include "service/service_event_log.h"
#include "service/time_service_handler.h"
#include "settings/ipv4_text.h"

namespace orvane {

namespace {

std::mutex applied_mutex;
AppliedBroadcast applied;
// A clock that refuses every broadcast would fill the event log: one entry
// until a broadcast sets it again.
bool refusal_reported = false;

}  // namespace

void ServiceBroadcastReceived(const SntpPacket& packet, const net::SocketAddress& source,
                              std::uint64_t arrival) {
    const std::string sender = Ipv4AddressToText(source.address);
    // Never beyond the largest correction, not even the first.
    CorrectionRules rules;
    rules.round = CorrectionRound::kBroadcast;
    rules.largest_correction_s = ReadMachineTimeSettings().largest_correction_s;
    const CorrectionDecision correction = DecideCorrectionNow(
        rules, NtpCorrectionMs(HostForm(packet.transmit_timestamp), arrival));
    if (correction.verdict != CorrectionVerdict::kApply) {
        std::lock_guard<std::mutex> lock(applied_mutex);
        if (!refusal_reported) {
            refusal_reported = true;
            WriteServiceEvent(EventType::kWarning, "The time of a broadcast from " + sender +
                                                       " was not set: " + correction.text);
        }
        return;
    }
    Clock& clock = TheClock();
    SystemTime before;
    SystemTime after;
    int code = 0;
    {
        std::lock_guard<std::mutex> clock_lock(ClockSetMutex());
        before = clock.GetLocalTime();
        const std::uint64_t sent = HostForm(packet.transmit_timestamp);
        code = clock.SetSystemTimeFrom(
            [&] { return CalendarTimeCarriedTo(sent, arrival, HostForm(CurrentNtpTime())); });
        after = clock.GetLocalTime();
    }
    std::lock_guard<std::mutex> lock(applied_mutex);
    if (code != 0) {
        if (!refusal_reported) {
            refusal_reported = true;
            WriteServiceEvent(EventType::kWarning, "The clock refused the time of a broadcast from " +
                                                       sender + ", error code " +
                                                       std::to_string(code) + ".");
        }
        return;
    }
    refusal_reported = false;
    ++applied.sequence;
    applied.sender_address = source.address;
    applied.time_before = before;
    applied.time_after = after;
    applied.version = packet.version_number;
    applied.stratum = packet.stratum;
    WriteServiceEvent(EventType::kInformation, ClockSetByBroadcastText(before, after, sender));
}

AppliedBroadcast LastAppliedBroadcast() {
    std::lock_guard<std::mutex> lock(applied_mutex);
    return applied;
}

void ForgetAppliedBroadcasts() {
    std::lock_guard<std::mutex> lock(applied_mutex);
    applied = AppliedBroadcast();
    refusal_reported = false;
}

void SetUpServiceBroadcasts() {
    SetBroadcastHandler(&ServiceBroadcastReceived);
    // Bad datagrams are the network's business, not the event log's.
    SetBroadcastTextReporter(nullptr);
    SetBroadcastErrorReporter([](const std::string& text) {
        WriteServiceEvent(EventType::kError, text);
    });
    SetBroadcastBindFailureReporter([](int code) {
        char text[160];
        std::snprintf(text, sizeof text,
                      "Unable to listen for SNTP broadcasts.  Winsock error number %d.  "
                      "Trying again each minute.",
                      code);
        WriteServiceEvent(EventType::kWarning, text);
    });
}

void RefreshServiceBroadcasts(int on) {
    if (on < 0)
        on = ReadMachineTimeSettings().receive_sntp_broadcasts == 1 ? 1 : 0;
    SetBroadcastListening(on);
}

}  // namespace orvane
