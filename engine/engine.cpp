#include "engine/engine.h"

#include <string>

#include "dialup/dialup_module.h"
#include "dialup/link_text.h"
#include "engine/broadcast_handler.h"
#include "engine/dialup_events.h"
#include "engine/last_update_record.h"
#include "engine/link_state.h"
#include "engine/server_kisses.h"
#include "engine/update_execution.h"
#include "engine/update_reports.h"
#include "logging/error_window.h"
#include "logging/event_log_entry.h"
#include "logging/fatal_error.h"
#include "logging/log_levels.h"
#include "protocols/sntp_broadcast_listener.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

void FatalWithCode(const std::string& text) {
    ReportFatalErrorWithCode(text);
}
void ToErrorWindow(const std::string& text) {
    AppendToErrorWindow(text);
}
// Bad datagrams, already limited to one report a minute by the listener:
// the error window, and the event log when the user keeps one.
void BadBroadcastReport(const std::string& text) {
    AppendToErrorWindow(text);
    if (IsOn(CurrentSettings().write_to_event_log))
        WriteEventLogEntry(text, kEventSeverityWarning);
}

// Another program may hold the port (the time service, another user's
// copy): said once, and the listener tries again each minute.
void BroadcastBindFailure(int code) {
    AppendToErrorWindow("Unable to listen for SNTP broadcasts.  Winsock error number " +
                        std::to_string(code));
}

void SetUpDialup(const SettingsRecord& settings) {
    DialupModule& dialup = TheDialupModule();
    if (dialup.IsDialupAvailable() != 1) {
        // No usable dial-up networking: the link counts as permanent.
        UpdateSettings([](SettingsRecord& live) { live.use_dialup = 0; });
        return;
    }
    dialup.BindDialup(1);
    dialup.SetDialErrorReporter(FatalWithCode);
    dialup.SetDialUserName(settings.dialup_server_username);
    dialup.SetDialPassword(settings.dialup_server_password);
    dialup.SetDialEntryName(settings.dialup_server_name);
    // The clock window does not exist yet, so the progress dialog has no
    // owner.
    dialup.SetDialOwnerWindow(0);
    dialup.SetDialProgressVisible(1);
    dialup.SetDialNotifyWindow(0);
    dialup.SetDialEventHandler(DialupEventHandler);
}

}  // namespace

int StartEngine() {
    const SettingsRecord settings = CurrentSettings();
    SetUpDialup(settings);

    ResetBroadcastListening();
    SetSntpBindAddress(0);

    SetBroadcastErrorReporter(FatalWithCode);
    SetBroadcastBindFailureReporter(BroadcastBindFailure);
    SetSntpTextReporter(ToErrorWindow);
    SetBroadcastTextReporter(BadBroadcastReport);
    SetBroadcastClockFailureReporter(ToErrorWindow);
    SetBroadcastHandler(BroadcastReceived);
    SetSntpReportCallback(SntpReport);

    SetBroadcastListening(IsOn(settings.receive_sntp_broadcasts) ? 1 : 0);

    SetTimeTextReporter(ToErrorWindow);
    SetTimeTcpReportCallback(TimeTcpReport);
    SetTimeUdpReportCallback(TimeUdpReport);

    if (IsOn(settings.write_to_event_log)) {
        WriteEventLogEntry("Orvane started", kEventSeverityInformation);
    }
    WriteLogEntryFor(LogEvent::kEngineStartStop, "Orvane engine started.");

    ModifyLastUpdateRecord([](LastUpdateRecord& record) { record.valid = 0; });
    ForgetKissCodes();
    ForgetFirstAutomaticUpdate();
    ForgetBroadcastSenderNames();
    SetLinkChangeTimeNow();

    if (IsOn(CurrentSettings().use_dialup)) {  // the set-up may have switched it off
        DialupModule& dialup = TheDialupModule();
        dialup.PollConnections();
        if (dialup.GetConnectionState() != kConnectionStateConnected) {
            SetLinkState(kLinkInactiveSinceStartup);
            RebuildLinkText();
            return 1;
        }
    }
    SetLinkChangeTimeNow();
    SetLinkState(kLinkActive);
    RebuildLinkText();
    return 1;
}

int StopEngine() {
    if (IsOn(CurrentSettings().write_to_event_log)) {
        WriteEventLogEntry("Orvane stopped", kEventSeverityInformation);
    }
    WriteLogEntryFor(LogEvent::kEngineStartStop, "Orvane engine stopped.");
    return 1;
}

}  // namespace orvane
