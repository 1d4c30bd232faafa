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
#include "platform/clock.h"
#include "platform/name_lookup.h"
#include "platform/os_errors.h"
#include "protocols/correction_bounds.h"
#include "protocols/exchange_support.h"
#include "protocols/server_address_walk.h"
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

constexpr char kManualUpdateCancelledText[] = "Manual update cancelled";

std::atomic<int> manual_update_flag{0};
// Set by the first automatic round that sets the clock: until then a round
// may make any correction the build date allows.
std::atomic<bool> automatic_update_succeeded{false};

// The round's addresses, and whether an automatic round is under way (its
// later tries go on without a new lookup). Guarded by UpdateMutex().
ServerAddressWalk address_walk;
bool automatic_round_open = false;
// Set by the scheduler before a later try; each update takes it.
bool continue_round = false;
// Through the service, which walks the addresses itself: when its last
// silent try ended, so the next waits the repeat spacing.
bool service_try_silent = false;
std::uint32_t service_try_ended_ticks = 0;

std::mutex& UpdateMutex() {
    static std::mutex* mutex = new std::mutex;  // never destroyed: threads outlive main
    return *mutex;
}

// Replaces "[unknown]" with the stored address's host name, when it has one.
void ResolveServerName(SettingsRecord& settings) {
    if (FieldText(settings.server_name) != kUnknownServerNameText) {
        return;
    }
    std::string name;
    if (TheNameLookup().LookUpHostName(settings.server_address.address, &name)) {
        CopyToField(settings.server_name, name);
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
    // What the sanity bounds said of the correction; kApply when the clock
    // was set or the exchange ended before it came to that.
    CorrectionDecision correction;
    // The user said no to a large correction: nothing was set.
    bool cancelled = false;
    // The server sent something back; a failure then is its answer, and
    // asking again this round would only get the same.
    bool answered = false;
};

ExchangeOutcome RunExchange(int protocol, const CorrectionRules& rules,
                            LastUpdateRecord& pending) {
    const net::SocketAddress server = pending.server_address;
    ExchangeOutcome outcome;
    switch (protocol) {
        case kProtocolSntp: {
            const SntpExchangeResult exchange =
                SntpExchange(server, kUpdateTimeoutMs, nullptr, &rules);
            // A correction that waits for the user's word keeps what the
            // server said, for the record should the user say yes.
            if (exchange.result == 1 || exchange.correction.verdict == CorrectionVerdict::kAsk) {
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
            outcome.correction = exchange.correction;
            outcome.answered = exchange.answered;
            return outcome;
        }
        case kProtocolTimeUdp:
        case kProtocolTimeTcp: {
            const TimeExchangeResult exchange =
                protocol == kProtocolTimeUdp
                    ? TimeUdpExchange(server, kUpdateTimeoutMs, nullptr, &rules)
                    : TimeTcpExchange(server, nullptr, &rules);
            if (exchange.result == 1 || exchange.correction.verdict == CorrectionVerdict::kAsk) {
                pending.round_trip_delay = exchange.delay_ms;
                pending.time_before = exchange.time_before;
                pending.time_after = exchange.time_after;
            }
            outcome.result = exchange.result;
            outcome.error_text = exchange.error_text;
            outcome.clock_error = exchange.clock_error;
            outcome.correction = exchange.correction;
            outcome.answered = exchange.answered;
            return outcome;
        }
        default:
            return outcome;
    }
}

// The user said yes to a large correction measured here: the clock as it
// reads now, moved by the correction.
ExchangeOutcome ApplyConfirmedCorrection(const ExchangeOutcome& measured,
                                         LastUpdateRecord& pending) {
    ExchangeOutcome outcome = measured;
    outcome.correction = CorrectionDecision();
    Clock& clock = TheClock();
    pending.time_before = clock.GetLocalTime();
    const int error = SetClockByCorrection(measured.correction.correction_ms);
    if (error != 0) {
        outcome.result = 0;
        outcome.clock_error = error;
        outcome.error_text = ReportClockRefusal(error, "Corrupt time received", AppendToErrorWindow);
        return outcome;
    }
    pending.time_after = clock.GetLocalTime();
    outcome.result = 1;
    outcome.error_text.clear();
    return outcome;
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
ExchangeOutcome RunServiceExchange(int protocol, bool manual, bool confirmed, bool next_try,
                                   LastUpdateRecord& pending) {
    if (protocol != kProtocolSntp && protocol != kProtocolTimeUdp && protocol != kProtocolTimeTcp)
        return ExchangeOutcome{};
    const ServiceCall call = RequestServiceUpdate(!manual, confirmed, next_try);
    if (call.status != ServiceCallStatus::kAnswered || call.answer.type != kAnswerUpdate)
        return ServiceRefusal(call.error_text, manual);
    const UpdateAnswer& u = call.answer.update;
    // Nothing was asked of a server: no protocol or server on the machine,
    // or too many requests.
    if (u.protocol == 0 && u.error_text == kRoundSpentText) {
        ExchangeOutcome spent;  // every address silent: no refusal to show
        spent.result = 0;
        spent.error_text = u.error_text;
        return spent;
    }
    if (u.protocol == 0)
        return ServiceRefusal(u.error_text, manual);

    if (u.server_family == kAddressFamilyIpv6) {
        pending.server_address = net::SocketAddress();
        pending.server_address.family = net::kAfInet6;
        std::memcpy(pending.server_address.address6, u.server_address6,
                    sizeof pending.server_address.address6);
    } else if (u.server_family == kAddressFamilyIpv4 && u.server_address != 0) {
        pending.server_address = net::Ipv4Address(u.server_address);
    }
    const net::SocketAddress server = pending.server_address;
    ExchangeOutcome outcome;
    outcome.protocol = u.protocol;  // the machine's, which the service used
    outcome.result = u.result == 1 ? 1 : 0;
    outcome.error_text = u.error_text;
    outcome.kiss_code = u.kiss_code;
    outcome.clock_error = u.clock_error;
    outcome.answered = u.server_answered;
    // The service applies the same bounds: it refused the correction, or
    // it waits for the user's word on it.
    outcome.correction.correction_ms = u.correction_ms;
    if (u.awaits_confirmation) {
        outcome.correction.verdict = CorrectionVerdict::kAsk;
    } else if (u.result != 1 && IsCorrectionRefusalText(u.error_text)) {
        outcome.correction.verdict = u.error_text == kBeforeBuildDateText
                                         ? CorrectionVerdict::kBeforeBuildDate
                                         : CorrectionVerdict::kTooLarge;
        outcome.correction.text = u.error_text;
    }
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

// Only a time-out or a network error is worth another try: any answer (not
// a reply, not synchronised, a kiss) is the server's word, and a clock that
// refused one time (other than as impossible) refuses the next.
bool EndsTheRound(const ExchangeOutcome& outcome) {
    return outcome.service_refused || outcome.answered || !outcome.kiss_code.empty() ||
           outcome.correction.verdict != CorrectionVerdict::kApply ||
           (outcome.clock_error != 0 && outcome.clock_error != kErrorInvalidParameter);
}

// A manual update beyond the largest correction: the user decides. Yes sets
// the clock (through the service, a new exchange it applies), no sets
// nothing; either way the answer is the round's outcome.
ExchangeOutcome AskAboutCorrection(const ExchangeOutcome& measured, int protocol,
                                   bool through_service, LastUpdateRecord& pending) {
    const bool yes = TheEngineUiSink().AskYesNoQuestion(
        CorrectionQuestionText(measured.correction.correction_ms), "Orvane");
    if (yes) {
        return through_service ? RunServiceExchange(protocol, true, true, false, pending)
                               : ApplyConfirmedCorrection(measured, pending);
    }
    ExchangeOutcome cancelled = measured;
    cancelled.result = 0;
    cancelled.cancelled = true;
    return cancelled;
}

// One try against the server's addresses, each exchange run locally: the
// round's first try (and every manual update) looks the name up.
ExchangeOutcome RunAddressTry(bool manual, bool next_try, const SettingsRecord& settings,
                              const CorrectionRules& rules, LastUpdateRecord& pending,
                              bool* round_spent) {
    ExchangeOutcome outcome;
    if (settings.protocol != kProtocolSntp && settings.protocol != kProtocolTimeUdp &&
        settings.protocol != kProtocolTimeTcp) {
        return outcome;  // no known protocol
    }
    if (!next_try || !automatic_round_open) {
        ServerChoice choice;
        choice.name = FieldText(settings.server_name);
        choice.by_name = settings.use_server_by_name == 1;
        choice.stored_address = settings.server_address.address;
        std::string error_text;
        std::vector<net::SocketAddress> addresses = FindServerAddresses(choice, &error_text);
        automatic_round_open = false;
        if (addresses.empty()) {
            outcome.result = 0;
            outcome.error_text = error_text;
            return outcome;
        }
        address_walk.UseServerSettings(std::to_string(settings.protocol) + "|" + choice.name +
                                       "|" + std::to_string(choice.by_name) + "|" +
                                       std::to_string(choice.stored_address));
        address_walk.BeginRound(std::move(addresses));
        automatic_round_open = !manual;
    }
    outcome.result = 0;
    outcome.error_text = kRoundSpentText;
    const TryEnd end = address_walk.RunTry(
        manual,
        [&](const net::SocketAddress& address) {
            pending.server_address = address;
            outcome = RunExchange(settings.protocol, rules, pending);
            AddressAnswer answer;
            answer.answered = outcome.answered;
            answer.refused = KissRefusesRequests(outcome.kiss_code);
            if (!outcome.kiss_code.empty()) {
                // The address that sent it, whichever of the name's it was.
                WriteLogEntryFor(LogEvent::kKissOfDeath, "Server " + net::AddressText(address) +
                                                             " sent kiss code " +
                                                             outcome.kiss_code + ".");
            }
            return answer;
        },
        [] { return TheClock().GetTickCount(); });
    *round_spent = end == TryEnd::kRoundSpent;
    return outcome;
}

}  // namespace

void ContinueAutomaticRound() {
    std::lock_guard<std::mutex> lock(UpdateMutex());
    continue_round = true;
}

std::uint32_t WaitBeforeNextTryMs() {
    std::lock_guard<std::mutex> lock(UpdateMutex());
    const std::uint32_t now = TheClock().GetTickCount();
    if (CurrentClockPath() == ClockPath::kThroughService) {
        return service_try_silent ? RepeatWaitMs(service_try_ended_ticks, now) : 0;
    }
    return automatic_round_open ? address_walk.WaitBeforeNextTry(now) : 0;
}

void ForgetFirstAutomaticUpdate() {
    automatic_update_succeeded.store(false);
}

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
    // One copy for the whole try; the name a reverse lookup learns goes back
    // only while the server settings are still the ones it started from.
    SettingsRecord settings = CurrentSettings();
    const SettingsRecord started_with = settings;

    LastUpdateRecord pending = CopyLastUpdateRecord();

    ResolveServerName(settings);
    UpdateSettings([&](SettingsRecord& live) {
        if (std::strcmp(live.server_name, started_with.server_name) != 0 ||
            live.server_address.address != started_with.server_address.address) {
            return;
        }
        std::memcpy(live.server_name, settings.server_name, sizeof live.server_name);
    });
    CopyToField(pending.server_name, FieldText(settings.server_name));
    pending.server_address = net::Ipv4Address(settings.server_address.address);

    const int protocol = settings.protocol;
    CorrectionRules rules;
    rules.round = manual ? CorrectionRound::kManual : CorrectionRound::kAutomatic;
    rules.largest_correction_s = settings.largest_correction;
    rules.first_round_allowance = !automatic_update_succeeded.load();
    const bool through_service = CurrentClockPath() == ClockPath::kThroughService;
    bool round_spent = false;
    ExchangeOutcome exchange;
    const bool next_try = !manual && continue_round;
    continue_round = false;
    if (through_service) {
        exchange = RunServiceExchange(protocol, manual, false, next_try, pending);
        round_spent = exchange.error_text == kRoundSpentText;
        service_try_silent = !manual && !exchange.answered;
        service_try_ended_ticks = TheClock().GetTickCount();
    } else {
        exchange = RunAddressTry(manual, next_try, settings, rules, pending, &round_spent);
    }
    // No known protocol: silent.
    if (exchange.result < 0)
        return UpdateOutcome::kFailed;
    if (manual && exchange.correction.verdict == CorrectionVerdict::kAsk) {
        exchange = AskAboutCorrection(exchange, protocol, through_service, pending);
        if (exchange.cancelled) {
            WriteLogEntryFor(LogEvent::kManualUpdate, kManualUpdateCancelledText);
            return UpdateOutcome::kFailedForRound;
        }
    }
    // Said once: a refusal ends the round. A manual update says it as its
    // failure, below.
    const bool refused = exchange.correction.verdict == CorrectionVerdict::kBeforeBuildDate ||
                         exchange.correction.verdict == CorrectionVerdict::kTooLarge;
    if (refused && !manual) {
        AppendToErrorWindow(exchange.correction.text);
        WriteLogEntryFor(LogEvent::kCorrectionRefused, exchange.correction.text);
    }

    if (!exchange.kiss_code.empty()) {
        // A DENY or RSTR belongs to the address that sent it: the settings'
        // server stops being asked only when no other address is left (the
        // service keeps its own memory per address).
        if (!KissRefusesRequests(exchange.kiss_code) || (!through_service && address_walk.AllRefused()))
            NoteKissCode(settings, exchange.kiss_code);
        // Through the service: the address it asked (local kisses are
        // logged as each comes).
        if (through_service) {
            WriteLogEntryFor(LogEvent::kKissOfDeath,
                             "Server " + net::AddressText(pending.server_address) +
                                 " sent kiss code " + exchange.kiss_code + ".");
        }
    }
    if (exchange.result != 1) {
        if (manual) {
            const std::string text = "Manual update failed.  " + exchange.error_text;
            AppendToErrorWindow(text);
            WriteLogEntryFor(LogEvent::kManualUpdate, text);
        }
        if (EndsTheRound(exchange))
            return UpdateOutcome::kFailedForRound;
        return round_spent && !manual ? UpdateOutcome::kFailedSilently : UpdateOutcome::kFailed;
    }
    NoteUpdateSucceeded(settings);
    if (!manual)
        automatic_update_succeeded.store(true);

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
