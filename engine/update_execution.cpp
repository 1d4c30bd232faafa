#include "engine/update_execution.h"

#include <atomic>
#include <mutex>
#include <string>

#include "engine/last_update_record.h"
#include "engine/link_state.h"
#include "logging/error_window.h"
#include "logging/log_levels.h"
#include "platform/engine_ui_sink.h"
#include "platform/name_lookup.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "settings/fixed_text.h"
#include "settings/settings_record.h"

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
    NameLookup* lookup = TheNameLookup();
    std::string name;
    if (lookup != nullptr && lookup->LookUpHostName(settings.server_address.address, &name)) {
        CopyToField(settings.server_name, name);
    }
}

// Fills in the address of a server known only by name; a failure leaves
// 0.0.0.0 for the exchange to fail on.
void ResolveServerAddress(SettingsRecord& settings) {
    if (settings.server_address.address != 0 || settings.server_name[0] == '\0')
        return;
    NameLookup* lookup = TheNameLookup();
    std::uint32_t address = 0;
    const std::string name = FieldText(settings.server_name);
    if (lookup != nullptr && lookup->LookUpAddress(name, &address)) {
        settings.server_address.address = address;
    }
}

// Runs the exchange of the protocol; -1 when the protocol is none of them.
int RunExchange(int protocol, LastUpdateRecord& pending, std::string* error_text) {
    const net::SocketAddressIn server = pending.server_address;
    switch (protocol) {
        case kProtocolSntp: {
            int stratum = 0, version = 0, delay = 0;
            SystemTime before, after;
            int result = SntpExchange(server, kUpdateTimeoutMs, &stratum, &version, &delay, &before,
                                      &after, error_text);
            if (result == 1) {
                pending.stratum = stratum;
                pending.version_number = version;
                pending.round_trip_delay = delay;
                pending.time_before = before;
                pending.time_after = after;
            }
            return result;
        }
        case kProtocolTimeUdp:
        case kProtocolTimeTcp: {
            int delay = 0;
            SystemTime before, after;
            int result =
                protocol == kProtocolTimeUdp
                    ? TimeUdpExchange(server, kUpdateTimeoutMs, &delay, &before, &after, error_text)
                    : TimeTcpExchange(server, &delay, &before, &after, error_text);
            if (result == 1) {
                pending.round_trip_delay = delay;
                pending.time_before = before;
                pending.time_after = after;
            }
            return result;
        }
        default:
            return -1;
    }
}

}  // namespace

void SetManualUpdateFlag(int value) {
    manual_update_flag.store(value);
}
int ManualUpdateFlag() {
    return manual_update_flag.load();
}

int RunUpdate() {
    std::lock_guard<std::mutex> lock(UpdateMutex());
    SettingsRecord& settings = LiveSettings();

    LastUpdateRecord pending = CopyLastUpdateRecord();
    std::string error_text;

    ResolveServerName(settings);
    ResolveServerAddress(settings);
    CopyToField(pending.server_name, FieldText(settings.server_name));
    pending.server_address = settings.server_address;

    const int protocol = settings.protocol;
    const int result = RunExchange(protocol, pending, &error_text);
    // No known protocol: silent, and a pending manual request stays pending.
    if (result < 0)
        return 0;

    if (result != 1) {
        if (manual_update_flag.load() == 1) {
            const std::string text = "Manual update failed.  " + error_text;
            AppendToErrorWindow(text);
            WriteLogEntryFor(LogEvent::kManualUpdate, text);
        }
        manual_update_flag.store(0);
        return 0;
    }

    pending.valid = 1;
    CopyToField(pending.link_text, CurrentLinkText());
    pending.protocol = protocol;
    StoreLastUpdateRecord(pending);

    EngineUiSink* ui = TheEngineUiSink();
    if (ui != nullptr)
        ui->RefreshStatusDialog(pending);
    if (manual_update_flag.load() == 1) {
        if (ui != nullptr)
            ui->ShowInformationBox("Manual update successful", "Orvane");
        WriteLogEntryFor(LogEvent::kManualUpdate, "Manual update successful");
    }
    manual_update_flag.store(0);
    return 1;
}

}  // namespace orvane
