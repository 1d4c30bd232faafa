#include "service/time_service_handler.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/clock.h"
#include "platform/fixed_text.h"
#include "platform/name_lookup.h"
#include "platform/process_privileges.h"
#include "platform/registry.h"
#include "platform/sockets.h"
#include "protocols/ntp_packet.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "service/service_broadcasts.h"
#include "settings/ipv4_text.h"
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

// A name lookup has no time limit of its own; the update stops waiting for
// it after `limit_ms` and leaves the worker to finish on its own.
bool LookUpWithin(const std::string& name, int limit_ms, std::uint32_t* address) {
    struct Lookup {
        std::mutex mutex;
        std::condition_variable done_signal;
        bool done = false;
        bool found = false;
        std::uint32_t address = 0;
    };
    auto lookup = std::make_shared<Lookup>();
    std::thread worker;
    try {
        worker = std::thread([lookup, name] {
            std::uint32_t found_address = 0;
            const bool found = TheNameLookup().LookUpAddress(name, &found_address);
            std::lock_guard<std::mutex> lock(lookup->mutex);
            lookup->found = found;
            lookup->address = found_address;
            lookup->done = true;
            lookup->done_signal.notify_all();
        });
    } catch (const std::system_error&) {
        return TheNameLookup().LookUpAddress(name, address);
    }
    std::unique_lock<std::mutex> lock(lookup->mutex);
    const bool in_time = lookup->done_signal.wait_for(lock, std::chrono::milliseconds(limit_ms),
                                                      [&] { return lookup->done; });
    lock.unlock();
    if (!in_time) {
        worker.detach();
        return false;
    }
    worker.join();
    *address = lookup->address;
    return lookup->found;
}

// The server the settings name: by name when they say so (or when no
// address is stored), else the stored address. Empty error text on success.
std::string ResolveServer(const MachineTimeSettings& settings, std::uint32_t* address) {
    const bool by_name = settings.use_server_by_name == 1 || settings.server_address == 0;
    if (!by_name || settings.server_name.empty() || settings.server_name == "[unknown]") {
        *address = settings.server_address;
        return *address != 0 ? "" : "No time server is configured";
    }
    if (!LookUpWithin(settings.server_name, kServiceLookupLimitMs, address) || *address == 0)
        return "Unable to resolve server name " + settings.server_name;
    return "";
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
                         &key) != 0) {
        return settings;
    }
    registry.ReadNumber(key, "Protocol", &settings.protocol);
    char address_text[16] = {};
    if (ReadTextField(registry, key, "Server ip address", address_text) == 0)
        settings.server_address = Ipv4TextToAddress(address_text);
    registry.ReadNumber(key, "Use server by name", &settings.use_server_by_name);
    char name[kPathCapacity] = {};
    if (ReadTextField(registry, key, "Server name", name) == 0)
        settings.server_name = FieldText(name);
    registry.ReadNumber(key, "Receive sntp broadcasts", &settings.receive_sntp_broadcasts);
    registry.ReadNumber(key, "Update interval", &settings.update_interval_minutes);
    // A DWORD of seconds: read as its bits.
    std::int32_t largest_correction = static_cast<std::int32_t>(settings.largest_correction_s);
    registry.ReadNumber(key, "Largest correction", &largest_correction);
    settings.largest_correction_s = static_cast<std::uint32_t>(largest_correction);
    registry.CloseKey(key);
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
    std::uint32_t address = 0;
    u.error_text = ResolveServer(settings, &address);
    if (!u.error_text.empty())
        return answer;
    if (request.automatic()) {
        u.error_text = kisses_.AutomaticRefusal(address, now_ms, SetPauseMs(settings));
        if (!u.error_text.empty()) {
            u.protocol = 0;  // nothing was asked of the server
            return answer;
        }
    }
    u.server_family = kAddressFamilyIpv4;
    u.server_address = address;
    net::SocketAddressIn server;
    server.family = net::kAfInet;
    server.address = address;

    // The same bounds as Orvane.exe's, with this process's own first round.
    CorrectionRules rules;
    rules.round = request.automatic() ? CorrectionRound::kAutomatic : CorrectionRound::kManual;
    rules.largest_correction_s = settings.largest_correction_s;
    rules.first_round_allowance = !automatic_update_succeeded_;
    rules.confirmed = request.confirmed();
    CorrectionDecision correction;

    std::lock_guard<std::mutex> clock_lock(ClockSetMutex());
    if (recorder_ != nullptr)
        recorder_->Reset();
    if (settings.protocol == kProtocolSntp) {
        // The report hook goes with this exchange only: the module-wide one
        // stays as it is for anything else in the process.
        const SntpReportCallback packets_hook = [&u](const SntpPacket& sent,
                                                     const net::SocketAddressIn&,
                                                     const SntpPacket& reply, const SystemTime&,
                                                     const SystemTime&) {
            EncodePacket(sent, u.request_packet);
            EncodePacket(reply, u.reply_packet);
            u.has_packets = true;
        };
        const SntpExchangeResult exchange =
            SntpExchange(server, kServiceExchangeTimeoutMs, packets_hook, &rules);
        u.result = exchange.result;
        u.server_answered = exchange.answered;
        u.error_text = exchange.error_text;
        u.kiss_code = exchange.kiss_code;
        u.delay_ms = exchange.delay_ms;
        u.version = exchange.version;
        u.stratum = exchange.stratum;
        u.time_before = exchange.old_local_time;
        u.time_after = exchange.new_local_time;
        correction = exchange.correction;
    } else {
        const TimeReportCallback word_hook = [&u](std::uint32_t received_word,
                                                  const net::SocketAddressIn&) {
            u.time_word = received_word;
            u.has_time_word = true;
        };
        const TimeExchangeResult exchange =
            settings.protocol == kProtocolTimeUdp
                ? TimeUdpExchange(server, kServiceExchangeTimeoutMs, word_hook, &rules)
                : TimeTcpExchange(server, word_hook, &rules);
        u.result = exchange.result;
        u.server_answered = exchange.answered;
        u.error_text = exchange.error_text;
        u.delay_ms = exchange.delay_ms;
        u.time_before = exchange.time_before;
        u.time_after = exchange.time_after;
        correction = exchange.correction;
    }
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

    const std::string server_text = Ipv4AddressToText(address);
    if (!u.kiss_code.empty())
        kisses_.NoteKiss(address, u.kiss_code, now_ms);
    if (u.result == 1) {
        kisses_.NoteSuccess(address);
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
