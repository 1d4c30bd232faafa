#include "engine/broadcast_handler.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "engine/last_update_record.h"
#include "logging/log_levels.h"
#include "logging/log_writer.h"
#include "platform/clock.h"
#include "engine/engine_ui_sink.h"
#include "platform/last_error.h"
#include "platform/name_lookup.h"
#include "platform/fixed_text.h"
#include "protocols/correction_bounds.h"
#include "service/clock_setting.h"
#include "service/time_service_client.h"
#include "settings/ipv4_text.h"
#include "settings/live_settings.h"
#include "settings/settings_record.h"

namespace orvane {

namespace {

std::mutex reporter_mutex;
// Never destroyed: the listener thread may still report while the process ends.
TextReporter& clock_failure_reporter = *new TextReporter;
// Set once a failure is reported, so a server sending every second does
// not fill the error window; cleared by the next broadcast that succeeds.
std::atomic<bool> clock_failure_reported{false};

// The host names of the senders seen so far: a lookup can take seconds on
// the listener thread, so each sender's address is looked up once. Few
// machines on a subnet broadcast; a table that somehow grows past this
// starts again.
constexpr std::size_t kMostRememberedSenders = 64;
std::mutex sender_names_mutex;
// Never destroyed: the listener thread may still use it while the process ends.
std::map<std::uint32_t, std::string>& sender_names = *new std::map<std::uint32_t, std::string>;

std::string SenderName(std::uint32_t address) {
    {
        std::lock_guard<std::mutex> lock(sender_names_mutex);
        const auto known = sender_names.find(address);
        if (known != sender_names.end())
            return known->second;
    }
    std::string name;
    if (!TheNameLookup().LookUpHostName(address, &name))
        name = "[unknown]";
    std::lock_guard<std::mutex> lock(sender_names_mutex);
    if (sender_names.size() >= kMostRememberedSenders)
        sender_names.clear();
    sender_names[address] = name;
    return name;
}

// The clock's refusal by its code, or the service's text when it could not
// set the clock (code 0).
void ReportClockFailure(int code, const std::string& service_text = "") {
    if (clock_failure_reported.exchange(true))
        return;
    TextReporter reporter;
    {
        std::lock_guard<std::mutex> lock(reporter_mutex);
        reporter = clock_failure_reporter;
    }
    if (!reporter)
        return;
    if (code == 0) {
        reporter(service_text);
        return;
    }
    char text[100];
    std::snprintf(text, sizeof text, "SetSystemTime() failed, error code %d", code);
    SetLastErrorCode(code);
    reporter(text);
}

// A correction the bounds refuse, said once as a clock failure is, in the
// error window and the log.
void ReportRefusedCorrection(const std::string& text) {
    if (clock_failure_reported.load())
        return;
    ReportClockFailure(0, text);
    WriteLogEntryFor(LogEvent::kCorrectionRefused, text);
}

// Broadcasts never make a correction beyond the largest allowed, not even
// the first.
CorrectionRules BroadcastRules() {
    CorrectionRules rules;
    rules.round = CorrectionRound::kBroadcast;
    rules.largest_correction_s = CurrentSettings().largest_correction;
    return rules;
}

// The service's sequence number of the last broadcast shown here.
std::atomic<std::uint32_t> shown_service_broadcast{0};

// Through the Orvane Time Service, which hears the same broadcast and sets
// the clock itself: what it applied is asked for twice within a second of
// hearing it (it may not have set it yet at the first question). Only a
// broadcast the service reports as new counts; `packet` takes the
// service's sender, version and stratum.
bool FollowServiceBroadcast(SntpPacket* packet, net::SocketAddress* source, SystemTime* before,
                            SystemTime* after) {
    for (const int delay_ms : {kServiceBroadcastFirstAskMs, kServiceBroadcastSecondAskMs}) {
        std::this_thread::sleep_for(std::chrono::milliseconds(delay_ms));
        const ServiceCall call = RequestServiceStatus();
        if (call.status != ServiceCallStatus::kAnswered || call.answer.type != kAnswerStatus) {
            ReportClockFailure(0, call.error_text);
            return false;
        }
        const AppliedBroadcast& applied = call.answer.status.broadcast;
        std::uint32_t shown = shown_service_broadcast.load();
        if (applied.sequence == 0 || applied.sequence == shown)
            continue;
        if (!shown_service_broadcast.compare_exchange_strong(shown, applied.sequence))
            return false;  // another report showed it meanwhile
        source->address = applied.sender_address;
        packet->version_number = applied.version;
        packet->stratum = applied.stratum;
        *before = applied.time_before;
        *after = applied.time_after;
        return true;
    }
    return false;
}

// Sets the clock from the broadcast here, or learns what the Orvane Time
// Service set; reports a failure and returns false. The packet's time is
// carried from its arrival to the moment of setting, as a unicast answer's.
bool SetClockFromBroadcast(SntpPacket* packet, net::SocketAddress* source, std::uint64_t arrival,
                           SystemTime* before, SystemTime* after) {
    if (CurrentClockPath() == ClockPath::kThroughService)
        return FollowServiceBroadcast(packet, source, before, after);
    const CorrectionDecision correction = DecideCorrectionNow(
        BroadcastRules(), NtpCorrectionMs(HostForm(packet->transmit_timestamp), arrival));
    if (correction.verdict != CorrectionVerdict::kApply) {
        ReportRefusedCorrection(correction.text);
        return false;
    }
    Clock& clock = TheClock();
    *before = clock.GetLocalTime();
    const std::uint64_t sent = HostForm(packet->transmit_timestamp);
    const int code = clock.SetSystemTimeFrom(
        [&] { return CalendarTimeCarriedTo(sent, arrival, HostForm(CurrentNtpTime())); });
    if (code != 0) {
        ReportClockFailure(code);
        return false;
    }
    *after = clock.GetLocalTime();
    return true;
}

}  // namespace

void SetBroadcastClockFailureReporter(TextReporter reporter) {
    std::lock_guard<std::mutex> lock(reporter_mutex);
    clock_failure_reporter = std::move(reporter);
    clock_failure_reported.store(false);
}

void ForgetBroadcastSenderNames() {
    std::lock_guard<std::mutex> lock(sender_names_mutex);
    sender_names.clear();
    shown_service_broadcast.store(0);
}

std::string BroadcastLogText(const SntpPacket& packet, const net::SocketAddress& source,
                             bool long_form) {
    const std::string address = Ipv4AddressToText(source.address);
    if (!long_form)
        return "SNTP multicast received: Source IP address=" + address;
    std::string dump = PacketDump(packet);
    IndentText(dump, 2);
    return "SNTP multicast received:\n\n\tSource IP address=" + address +
           "\n\n\tOutgoing packet:\n" + "\n\tPacket:\n" + dump;
}

void BroadcastReceived(const SntpPacket& heard, const net::SocketAddress& heard_from,
                       std::uint64_t arrival) {
    SntpPacket packet = heard;
    net::SocketAddress source = heard_from;
    SystemTime before;
    SystemTime after;
    // A clock that was not set is no update: nothing to show or log as one.
    if (!SetClockFromBroadcast(&packet, &source, arrival, &before, &after))
        return;
    clock_failure_reported.store(false);

    const std::string name = SenderName(source.address);

    LastUpdateRecord record = ModifyLastUpdateRecord([&](LastUpdateRecord& r) {
        r.time_before = before;
        r.time_after = after;
        CopyToField(r.server_name, name);
        r.valid = 1;
        r.protocol = kProtocolSntpBroadcast;
        r.round_trip_delay = 0;
        r.server_address = source;
        r.stratum = packet.stratum;
        r.version_number = packet.version_number;
    });
    TheEngineUiSink().RefreshStatusDialog(record);

    const LogDetail detail = LogDetailFor(LogEvent::kBroadcastReceived);
    if (detail != LogDetail::kNone) {
        WriteLogEntry(BroadcastLogText(packet, source, detail == LogDetail::kLong));
    }
}

}  // namespace orvane
