#include "service/time_service_handler.h"

#include "platform/clock.h"
#include "platform/fixed_text.h"
#include "platform/local_networks.h"
#include "platform/name_lookup.h"
#include "platform/process_privileges.h"
#include "platform/registry.h"
#include "platform/sockets.h"
#include "protocols/broadcast_checks.h"
#include "protocols/ntp_packet.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
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

// The server the settings name: by name when they say so (or when no
// address is stored), else the stored address. Empty error text on success.
std::string ResolveServer(const MachineTimeSettings& settings, std::uint32_t* address) {
    const bool by_name = settings.use_server_by_name == 1 || settings.server_address == 0;
    if (!by_name || settings.server_name.empty() || settings.server_name == "[unknown]") {
        *address = settings.server_address;
        return *address != 0 ? "" : "No time server is configured";
    }
    if (!TheNameLookup().LookUpAddress(settings.server_name, address) || *address == 0)
        return "Unable to resolve server name " + settings.server_name;
    return "";
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
    registry.CloseKey(key);
    return settings;
}

Answer TimeServiceHandler::Update(std::uint64_t now_ms) {
    Answer answer;
    answer.type = kAnswerUpdate;
    UpdateAnswer& u = answer.update;
    const MachineTimeSettings settings = ReadMachineTimeSettings();
    if (settings.protocol < kProtocolSntp || settings.protocol > kProtocolTimeTcp) {
        u.error_text = "No time protocol is configured";
        return answer;
    }
    if (!limit_.TryTake(now_ms)) {
        u.error_text = kRateLimitText;
        return answer;
    }
    u.protocol = settings.protocol;
    std::uint32_t address = 0;
    u.error_text = ResolveServer(settings, &address);
    if (!u.error_text.empty())
        return answer;
    u.server_address = address;
    net::SocketAddressIn server;
    server.family = net::kAfInet;
    server.address = address;

    if (recorder_ != nullptr)
        recorder_->Reset();
    if (settings.protocol == kProtocolSntp) {
        // Requests are answered one at a time, so the module-wide report
        // hook belongs to this exchange for its duration.
        SetSntpReportCallback([&u](const SntpPacket& request, const net::SocketAddressIn&,
                                   const SntpPacket& reply, const SystemTime&, const SystemTime&) {
            EncodePacket(request, u.request_packet);
            EncodePacket(reply, u.reply_packet);
            u.has_packets = true;
        });
        const SntpExchangeResult exchange = SntpExchange(server, kServiceExchangeTimeoutMs);
        SetSntpReportCallback(nullptr);
        u.result = exchange.result;
        u.error_text = exchange.error_text;
        u.kiss_code = exchange.kiss_code;
        u.delay_ms = exchange.delay_ms;
        u.version = exchange.version;
        u.stratum = exchange.stratum;
        u.time_before = exchange.old_local_time;
        u.time_after = exchange.new_local_time;
    } else {
        auto word_hook = [&u](std::uint32_t received_word, const net::SocketAddressIn&) {
            u.time_word = received_word;
            u.has_time_word = true;
        };
        TimeExchangeResult exchange;
        if (settings.protocol == kProtocolTimeUdp) {
            SetTimeUdpReportCallback(word_hook);
            exchange = TimeUdpExchange(server, kServiceExchangeTimeoutMs);
            SetTimeUdpReportCallback(nullptr);
        } else {
            SetTimeTcpReportCallback(word_hook);
            exchange = TimeTcpExchange(server);
            SetTimeTcpReportCallback(nullptr);
        }
        u.result = exchange.result;
        u.error_text = exchange.error_text;
        u.delay_ms = exchange.delay_ms;
        u.time_before = exchange.time_before;
        u.time_after = exchange.time_after;
    }
    if (u.result != 1 && recorder_ != nullptr)
        u.clock_error = recorder_->LastSetError();
    // Another exchange in this process ended this one before it began; the
    // service runs one at a time, so this is only a safeguard.
    if (u.result != 1 && u.error_text.empty())
        u.error_text = "Another update is running";
    return answer;
}

Answer TimeServiceHandler::Broadcast(const BroadcastRequest& broadcast) {
    Answer answer;
    answer.type = kAnswerBroadcast;
    BroadcastAnswer& b = answer.broadcast;
    if (ReadMachineTimeSettings().receive_sntp_broadcasts != 1) {
        b.error_text = "Receiving SNTP broadcasts is off on this machine";
        return answer;
    }
    const SntpPacket packet = DecodePacket(broadcast.packet);
    b.error_text = CheckBroadcastPacket(packet);
    if (!b.error_text.empty())
        return answer;
    std::vector<LocalInterface> interfaces;
    TheLocalNetworks().ListInterfaces(&interfaces);
    if (!SenderOnConnectedSubnet(broadcast.sender_address, interfaces)) {
        b.error_text = "Broadcast sender is not on a directly connected subnet";
        return answer;
    }
    Clock& clock = TheClock();
    b.time_before = clock.GetLocalTime();
    const int code = clock.SetSystemTime(NtpTimeToCalendar(packet.transmit_timestamp));
    if (code != 0) {
        b.clock_error = code;
        b.error_text = "SetSystemTime() failed, error code " + std::to_string(code);
        return answer;
    }
    b.time_after = clock.GetLocalTime();
    b.result = 1;
    return answer;
}

Answer TimeServiceHandler::Status() {
    Answer answer;
    answer.type = kAnswerStatus;
    answer.status.version_text = ORVANE_VERSION_TEXT;
    answer.status.holds_privilege = TheProcessPrivileges().HoldsSystemtimePrivilege();
    return answer;
}

std::vector<std::uint8_t> TimeServiceHandler::Handle(const std::uint8_t* data, std::size_t size,
                                                     std::uint64_t now_ms, bool* malformed) {
    Request request;
    const MessageFault fault = DecodeRequest(data, size, &request);
    *malformed = fault != MessageFault::kNone;
    if (*malformed)
        return EncodeAnswer(ErrorAnswer(MessageFaultText(fault)));
    switch (request.type) {
        case kRequestUpdate:
            return EncodeAnswer(Update(now_ms));
        case kRequestBroadcast:
            return EncodeAnswer(Broadcast(request.broadcast));
        default:
            return EncodeAnswer(Status());
    }
}

}  // namespace orvane
