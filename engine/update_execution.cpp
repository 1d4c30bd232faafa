#include "engine/update_execution.h"

#include <cstring>
#include <atomic>
#include <mutex>
#include <string>

#include "engine/last_update_record.h"
#include "engine/link_state.h"
#include "engine/server_kisses.h"
#include "logging/error_window.h"
#include "logging/log_levels.h"
#include "engine/engine_ui_sink.h"
#include "platform/name_lookup.h"
#include "platform/os_errors.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "platform/fixed_text.h"
#include "engine/update_reports.h"
#include "service/clock_setting.h"
#include "service/time_service_client.h"
#include "settings/ipv4_text.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

constexpr char kUnknownServerName[] = "[unknown]";

std::atomic<int> manual_update_flag{0};

std::mutex& UpdateMutex() {
    static std::mutex* mutex = new std::mutex;  // never destroyed: threads outlive main
    return *mutex;
}

// Replaces "[unknown]" with the stored address's host name, when it has one.
void ResolveServerName(SettingsRecord& settings) {
    if (FieldText(settings.server_name) != kUnknownServerName) {
        return;
    }
    std::string name;
    if (TheNameLookup().LookUpHostName(settings.server_address.address, &name)) {
        CopyToField(settings.server_name, name);
    }
}

// Fills in the address of a server known only by name; a failure leaves
// 0.0.0.0 for the exchange to fail on.
void ResolveServerAddress(SettingsRecord& settings) {
    if (settings.server_address.address != 0 || settings.server_name[0] == '\0')
        return;
    std::uint32_t address = 0;
    const std::string name = FieldText(settings.server_name);
    if (TheNameLookup().LookUpAddress(name, &address)) {
        settings.server_address.address = address;
    }
}

// What an exchange of any protocol came to.
struct ExchangeOutcome {
    int result = -1;   // 1 clock set, 0 failed, -1 no known protocol
    int protocol = 0;  // the one the exchange ran, when not the settings' own
    std::string error_text;
    std::string kiss_code;
    int clock_error = 0;
    // The time service could not run the exchange (not running, refused,
    // rate-limited): already reported, and asking again this round is no use.
    bool service_refused = false;
};

ExchangeOutcome RunExchange(int protocol, LastUpdateRecord& pending) {
    const net::SocketAddressIn server = pending.server_address;
    ExchangeOutcome outcome;
    switch (protocol) {
        case kProtocolSntp: {
            const SntpExchangeResult exchange = SntpExchange(server, kUpdateTimeoutMs);
            if (exchange.result == 1) {
                pending.stratum = exchange.stratum;
                pending.version_number = exchange.version;
                pending.round_trip_delay = exchange.delay_ms;
                pending.time_before = exchange.old_local_time;
                pending.time_after = exchange.new_local_time;
            }
            outcome.result = exchange.result;
            outcome.error_text = exchange.error_text;
            outcome.kiss_code = exchange.kiss_code;
            outcome.clock_error = exchange.clock_error;
            return outcome;
        }
        case kProtocolTimeUdp:
        case kProtocolTimeTcp: {
            const TimeExchangeResult exchange = protocol == kProtocolTimeUdp
                                                    ? TimeUdpExchange(server, kUpdateTimeoutMs)
                                                    : TimeTcpExchange(server);
            if (exchange.result == 1) {
                pending.round_trip_delay = exchange.delay_ms;
                pending.time_before = exchange.time_before;
                pending.time_after = exchange.time_after;
            }
            outcome.result = exchange.result;
            outcome.error_text = exchange.error_text;
            outcome.clock_error = exchange.clock_error;
            return outcome;
        }
        default:
            return outcome;
    }
}

// Reports a service-side refusal the way a local failure of the round would
// be seen: a manual update says it in its failure text; an automatic round
// says it once in the error window.
ExchangeOutcome ServiceRefusal(const std::string& text, bool manual) {
    ExchangeOutcome outcome;
    outcome.result = 0;
    outcome.error_text = text;
    outcome.service_refused = true;
    if (!manual)
        AppendToErrorWindow(text);
    return outcome;
}

// The same exchange run by the Orvane Time Service, which sets the clock: its
// answer fills the same record and writes the same log entries and reports
// as a local exchange.
ExchangeOutcome RunServiceExchange(int protocol, bool manual, LastUpdateRecord& pending) {
    if (protocol != kProtocolSntp && protocol != kProtocolTimeUdp && protocol != kProtocolTimeTcp)
        return ExchangeOutcome{};
    const ServiceCall call = RequestServiceUpdate(!manual);
    if (call.status != ServiceCallStatus::kAnswered || call.answer.type != kAnswerUpdate)
        return ServiceRefusal(call.error_text, manual);
    const UpdateAnswer& u = call.answer.update;
    // Nothing was asked of a server: no protocol or server on the machine,
    // or too many requests.
    if (u.protocol == 0)
        return ServiceRefusal(u.error_text, manual);

    if (u.server_address != 0)
        pending.server_address.address = u.server_address;
    net::SocketAddressIn server = pending.server_address;
    server.family = net::kAfInet;
    ExchangeOutcome outcome;
    outcome.protocol = u.protocol;  // the machine's, which the service used
    outcome.result = u.result == 1 ? 1 : 0;
    outcome.error_text = u.error_text;
    outcome.kiss_code = u.kiss_code;
    outcome.clock_error = u.clock_error;
    if (u.clock_error != 0)
        AppendToErrorWindow(u.error_text);  // as a local refusal is, in every round
    if (outcome.result != 1)
        return outcome;
    pending.round_trip_delay = u.delay_ms;
    pending.time_before = u.time_before;
    pending.time_after = u.time_after;
    if (u.protocol == kProtocolSntp) {
        pending.stratum = u.stratum;
        pending.version_number = u.version;
        if (u.has_packets) {
            SntpReport(DecodePacket(u.request_packet), server, DecodePacket(u.reply_packet),
                       u.time_before, u.time_after);
        }
    } else if (u.has_time_word) {
        if (u.protocol == kProtocolTimeUdp)
            TimeUdpReport(u.time_word, server);
        else
            TimeTcpReport(u.time_word, server);
    }
    return outcome;
}

// A kiss is the server's answer, and a clock that refused one time (other
// than as impossible) refuses the next: trying again at once would only ask
// the server again and repeat the report.
bool EndsTheRound(const ExchangeOutcome& outcome) {
    return outcome.service_refused || !outcome.kiss_code.empty() ||
           (outcome.clock_error != 0 && outcome.clock_error != kErrorInvalidParameter);
}

}  // namespace

void SetManualUpdateFlag(int value) {
    manual_update_flag.store(value);
}
int ManualUpdateFlag() {
    return manual_update_flag.load();
}
int TakeManualUpdateFlag() {
    return manual_update_flag.exchange(0);
}

UpdateOutcome RunUpdate(bool manual) {
    std::lock_guard<std::mutex> lock(UpdateMutex());
    // One copy for the whole round; what the lookups learn goes back only
    // while the server settings are still the ones this round started from.
    SettingsRecord settings = CurrentSettings();
    const SettingsRecord started_with = settings;

    LastUpdateRecord pending = CopyLastUpdateRecord();

    ResolveServerName(settings);
    ResolveServerAddress(settings);
    UpdateSettings([&](SettingsRecord& live) {
        if (std::strcmp(live.server_name, started_with.server_name) != 0 ||
            live.server_address.address != started_with.server_address.address) {
            return;
        }
        std::memcpy(live.server_name, settings.server_name, sizeof live.server_name);
        live.server_address = settings.server_address;
    });
    CopyToField(pending.server_name, FieldText(settings.server_name));
    pending.server_address = settings.server_address;

    const int protocol = settings.protocol;
    const ExchangeOutcome exchange = CurrentClockPath() == ClockPath::kThroughService
                                         ? RunServiceExchange(protocol, manual, pending)
                                         : RunExchange(protocol, pending);
    // No known protocol: silent.
    if (exchange.result < 0)
        return UpdateOutcome::kFailed;

    if (!exchange.kiss_code.empty()) {
        NoteKissCode(settings, exchange.kiss_code);
        WriteLogEntryFor(LogEvent::kKissOfDeath,
                         "Server " + Ipv4AddressToText(settings.server_address.address) +
                             " sent kiss code " + exchange.kiss_code + ".");
    }
    if (exchange.result != 1) {
        if (manual) {
            const std::string text = "Manual update failed.  " + exchange.error_text;
            AppendToErrorWindow(text);
            WriteLogEntryFor(LogEvent::kManualUpdate, text);
        }
        return EndsTheRound(exchange) ? UpdateOutcome::kFailedForRound : UpdateOutcome::kFailed;
    }
    NoteUpdateSucceeded(settings);

    pending.valid = 1;
    CopyToField(pending.link_text, CurrentLinkText());
    pending.protocol = exchange.protocol != 0 ? exchange.protocol : protocol;
    StoreLastUpdateRecord(pending);

    EngineUiSink& ui = TheEngineUiSink();
    ui.RefreshStatusDialog(pending);
    if (manual) {
        // Logged first, so the entry carries the update's time, not the
        // time the user dismissed the box.
        WriteLogEntryFor(LogEvent::kManualUpdate, "Manual update successful");
        ui.PostInformationBox("Manual update successful", "Orvane");
    }
    return UpdateOutcome::kClockSet;
}

}  // namespace orvane
