#include "service/time_service_handler.h"

#include <cstring>

#include "platform/clock.h"
#include "platform/fixed_text.h"
#include "platform/name_lookup.h"
#include "platform/process_privileges.h"
#include "platform/registry.h"
#include "platform/sockets.h"
#include "protocols/ntp_packet.h"
#include "protocols/server_address_walk.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "service/service_broadcasts.h"
#include "settings/ipv4_text.h"
#include "settings/policy_settings.h"
#include "settings/settings_record.h"
#include "settings/settings_store.h"

namespace orvane {

namespace {

Answer ErrorAnswer(const std::string& text) {
    Answer answer;
    answer.type = kAnswerError;
    answer.error_text = text;
    return answer;
}

// What tells one server setting from another, for the kiss memory.
std::string ServerSettingsKey(const MachineTimeSettings& settings) {
    return std::to_string(settings.protocol) + "|" + std::to_string(settings.server_address) +
           "|" + std::to_string(settings.use_server_by_name) + "|" + settings.server_name;
}

std::uint64_t SetPauseMs(const MachineTimeSettings& settings) {
    const std::int32_t minutes =
        settings.update_interval_minutes > 0 ? settings.update_interval_minutes : 1;
    return static_cast<std::uint64_t>(minutes) * 60000;
}

// One exchange with one of the server's addresses: the answer's fields
// for it (all but the protocol), and what the bounds said of the correction.
UpdateAnswer AskAddress(std::int32_t protocol, const net::SocketAddress& address,
                        const CorrectionRules& rules, CorrectionDecision* correction) {
    UpdateAnswer u;
    if (address.family == net::kAfInet6) {
        u.server_family = kAddressFamilyIpv6;
        std::memcpy(u.server_address6, address.address6, sizeof u.server_address6);
    } else {
        u.server_family = kAddressFamilyIpv4;
        u.server_address = address.address;
    }
    if (protocol == kProtocolSntp) {
        // The report hook goes with this exchange only: the module-wide one
        // stays as it is for anything else in the process.
        const SntpReportCallback packets_hook = [&u](const SntpPacket& sent,
                                                     const net::SocketAddress&,
                                                     const SntpPacket& reply, const SystemTime&,
                                                     const SystemTime&) {
            EncodePacket(sent, u.request_packet);
            EncodePacket(reply, u.reply_packet);
            u.has_packets = true;
        };
        const SntpExchangeResult exchange =
            SntpExchange(address, kServiceExchangeTimeoutMs, packets_hook, &rules);
        u.result = exchange.result;
        u.server_answered = exchange.answered;
        u.error_text = exchange.error_text;
        u.kiss_code = exchange.kiss_code;
        u.delay_ms = exchange.delay_ms;
        u.version = exchange.version;
        u.stratum = exchange.stratum;
        u.time_before = exchange.old_local_time;
        u.time_after = exchange.new_local_time;
        *correction = exchange.correction;
        return u;
    }
    const TimeReportCallback word_hook = [&u](std::uint32_t received_word,
                                              const net::SocketAddress&) {
        u.time_word = received_word;
        u.has_time_word = true;
    };
    const TimeExchangeResult exchange =
        protocol == kProtocolTimeUdp
            ? TimeUdpExchange(address, kServiceExchangeTimeoutMs, word_hook, &rules)
            : TimeTcpExchange(address, word_hook, &rules);
    u.result = exchange.result;
    u.server_answered = exchange.answered;
    u.error_text = exchange.error_text;
    u.delay_ms = exchange.delay_ms;
    u.time_before = exchange.time_before;
    u.time_after = exchange.time_after;
    *correction = exchange.correction;
    return u;
}

std::string OriginText(const RequestOrigin& origin) {
    return "process " + std::to_string(origin.process_id) + " in session " +
           std::to_string(origin.session_id);
}

}  // namespace

MachineTimeSettings ReadMachineTimeSettings() {
    MachineTimeSettings settings;
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, kSettingsKeyPath, RegistryMode::kRead, false,
                         &key) == 0) {
        registry.ReadNumber(key, "Protocol", &settings.protocol);
        char address_text[16] = {};
        if (ReadTextField(registry, key, "Server ip address", address_text) == 0)
            settings.server_address = Ipv4TextToAddress(address_text);
        registry.ReadNumber(key, "Use server by name", &settings.use_server_by_name);
        PathField name = {};
        if (ReadTextField(registry, key, "Server name", name) == 0)
            settings.server_name = FieldText(name);
        registry.ReadNumber(key, "Receive sntp broadcasts", &settings.receive_sntp_broadcasts);
        registry.ReadNumber(key, "Update interval", &settings.update_interval_minutes);
        // A DWORD of seconds: read as its bits.
        std::int32_t largest_correction = static_cast<std::int32_t>(settings.largest_correction_s);
        registry.ReadNumber(key, "Largest correction", &largest_correction);
        settings.largest_correction_s = static_cast<std::uint32_t>(largest_correction);
        registry.CloseKey(key);
    }
    // Read with every request, so a policy holds from the next one on.
    SettingsRecord record;
    record.protocol = settings.protocol;
    record.server_address.address = settings.server_address;
    record.use_server_by_name = settings.use_server_by_name;
    CopyToField(record.server_name, settings.server_name);
    record.receive_sntp_broadcasts = settings.receive_sntp_broadcasts;
    record.update_interval = settings.update_interval_minutes;
    record.largest_correction = settings.largest_correction_s;
    ApplyPolicy(ReadPolicySettings(), record);
    settings.protocol = record.protocol;
    settings.server_address = record.server_address.address;
    settings.use_server_by_name = record.use_server_by_name;
    settings.server_name = FieldText(record.server_name);
    settings.receive_sntp_broadcasts = record.receive_sntp_broadcasts;
    settings.update_interval_minutes = record.update_interval;
    settings.largest_correction_s = record.largest_correction;
    return settings;
}

Answer TimeServiceHandler::Update(std::uint64_t now_ms, const UpdateRequest& request,
                                  const RequestOrigin& origin) {
    Answer answer;
    answer.type = kAnswerUpdate;
    UpdateAnswer& u = answer.update;
    std::lock_guard<std::mutex> update_lock(update_mutex_);
    const MachineTimeSettings settings = ReadMachineTimeSettings();
    if (settings.protocol < kProtocolSntp || settings.protocol > kProtocolTimeTcp) {
        u.error_text = "No time protocol is configured";
        return answer;
    }
    kisses_.UseServerSettings(ServerSettingsKey(settings));
    if (!limit_.TryTake(now_ms)) {
        u.error_text = kRateLimitText;
        return answer;
    }
    u.protocol = settings.protocol;
    const bool manual = !request.automatic();
    const std::uint32_t now_ticks = static_cast<std::uint32_t>(now_ms);
    if (manual || !request.next_try() || !round_open_) {
        ServerChoice choice;
        choice.name = settings.server_name;
        choice.by_name = settings.use_server_by_name == 1;
        choice.stored_address = settings.server_address;
        round_open_ = false;
        std::vector<net::SocketAddress> addresses = FindServerAddresses(choice, &u.error_text);
        if (addresses.empty())
            return answer;
        if (!manual) {
            // Addresses that asked us to wait or stop are left out of
            // automatic rounds.
            std::string refusal;
            std::vector<net::SocketAddress> willing;
            for (const net::SocketAddress& a : addresses) {
                const std::string why =
                    kisses_.AutomaticRefusal(net::AddressText(a), now_ms, SetPauseMs(settings));
                if (why.empty())
                    willing.push_back(a);
                else if (refusal.empty())
                    refusal = why;
            }
            if (willing.empty()) {
                u.error_text = refusal;
                u.protocol = 0;  // nothing was asked of the server
                return answer;
            }
            addresses = std::move(willing);
        }
        walk_.UseServerSettings(ServerSettingsKey(settings));
        walk_.BeginRound(std::move(addresses));
        round_open_ = !manual;
    } else if (walk_.WaitBeforeNextTry(now_ticks) != 0) {
        // A later try sooner than the repeat spacing: not from Orvane.exe.
        u.error_text = kRateLimitText;
        u.protocol = 0;
        return answer;
    }

    // The same bounds as Orvane.exe's, with this process's own first round.
    CorrectionRules rules;
    rules.round = request.automatic() ? CorrectionRound::kAutomatic : CorrectionRound::kManual;
    rules.largest_correction_s = settings.largest_correction_s;
    rules.first_round_allowance = !automatic_update_succeeded_;
    rules.confirmed = request.confirmed();
    CorrectionDecision correction;

    std::lock_guard<std::mutex> clock_lock(ClockSetMutex());
    bool asked = false;
    const TryEnd end = walk_.RunTry(
        manual,
        [&](const net::SocketAddress& address) {
            asked = true;
            if (recorder_ != nullptr)
                recorder_->Reset();
            const std::int32_t protocol = u.protocol;
            u = AskAddress(protocol, address, rules, &correction);
            u.protocol = protocol;
            const std::string server_text = net::AddressText(address);
            if (!u.kiss_code.empty())
                kisses_.NoteKiss(server_text, u.kiss_code, now_ms);
            AddressAnswer walked;
            walked.answered = u.server_answered;
            walked.refused = KissRefusesRequests(u.kiss_code);
            return walked;
        },
        [now_ticks] { return now_ticks; });
    if (!asked) {
        u.error_text = end == TryEnd::kRoundSpent ? kRoundSpentText : kRateLimitText;
        u.protocol = 0;
        return answer;
    }
    const net::SocketAddress address = walk_.LastAsked();
    // Beyond the bound in a manual update: nothing set, and Orvane.exe asks
    // the user with the correction measured.
    u.correction_ms = correction.correction_ms;
    u.awaits_confirmation = correction.verdict == CorrectionVerdict::kAsk;
    if (u.result != 1 && recorder_ != nullptr)
        u.clock_error = recorder_->LastSetError();
    // Another exchange in this process ended this one before it began; the
    // service runs one at a time, so this is only a safeguard.
    if (u.result != 1 && u.error_text.empty() && !u.awaits_confirmation)
        u.error_text = "Another update is running";

    const std::string server_text = net::AddressText(address);
    if (u.result == 1) {
        kisses_.NoteSuccess(server_text);
        if (request.automatic())
            automatic_update_succeeded_ = true;
        WriteServiceEvent(EventType::kInformation,
                          ClockSetByServerText(u.time_before, u.time_after, server_text, origin));
    } else if (u.clock_error != 0) {
        WriteServiceEvent(EventType::kWarning, "The clock refused the time of server " +
                                                   server_text + ", error code " +
                                                   std::to_string(u.clock_error) + ", for " +
                                                   OriginText(origin) + ".");
    } else if (!correction.text.empty()) {
        WriteServiceEvent(EventType::kWarning, "The time of server " + server_text +
                                                   " was not set, for " + OriginText(origin) +
                                                   ": " + correction.text);
    }
    return answer;
}

Answer TimeServiceHandler::Status() {
    Answer answer;
    answer.type = kAnswerStatus;
    answer.status.version_text = ORVANE_VERSION_TEXT;
    answer.status.holds_privilege = TheProcessPrivileges().HoldsSystemtimePrivilege();
    answer.status.broadcast = LastAppliedBroadcast();
    return answer;
}

std::vector<std::uint8_t> TimeServiceHandler::Handle(const std::uint8_t* data, std::size_t size,
                                                     std::uint64_t now_ms,
                                                     const RequestOrigin& origin,
                                                     bool* malformed) {
    Request request;
    const MessageFault fault = DecodeRequest(data, size, &request);
    *malformed = fault != MessageFault::kNone;
    if (*malformed)
        return EncodeAnswer(ErrorAnswer(MessageFaultText(fault)));
    if (request.type == kRequestUpdate)
        return EncodeAnswer(Update(now_ms, request.update, origin));
    return EncodeAnswer(Status());
}

}  // namespace orvane
