#include "engine/dialup_events.h"

#include "engine/silent_server.h"

#include <string>

#include "dialup/dialup_module.h"
#include "dialup/link_text.h"
#include "engine/link_state.h"
#include "engine/update_execution.h"
#include "engine/update_scheduler.h"
#include "logging/error_window.h"
#include "logging/event_log_entry.h"
#include "logging/log_levels.h"
#include "engine/engine_ui_sink.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

void ChangeLink(int state, const char* how) {
    SetLinkChangeTimeNow();
    SetLinkState(state);
    WriteLogEntryFor(
        LogEvent::kDialupConnection,
        "Dialup connection to \"" + TheDialupModule().GetDialEntryName() + "\" " + how + ".");
}

// The update the program dialled for, then the hang-up.
void UpdateOverOwnConnection() {
    if (TakeManualUpdateFlag() == 1) {
        RunUpdateForScheduler(true);
    } else if (UpdateWithRetries() == 0 && IsOn(CurrentSettings().write_to_event_log)) {
        WriteEventLogEntry("Unable to automatically synchronise from external time source.",
                           kEventSeverityError);
    }
    TheDialupModule().HangUpOwnConnection();
}

}  // namespace

void DialupEventHandler(int event) {
    switch (event) {
        case kDialEventConnectedByOrvane:
            ChangeLink(kLinkActive, "connected by Orvane");
            ForgetSilentRounds();  // a new link may reach the server
            UpdateOverOwnConnection();
            break;
        case kDialEventDisconnectedByOrvane:
            ChangeLink(kLinkInactive, "disconnected by Orvane");
            break;
        case kDialEventConnectedByUser:
            ChangeLink(kLinkActive, "connected by user");
            ForgetSilentRounds();
            WakeUpdateThread();
            break;
        case kDialEventDisconnectedByUser:
            ChangeLink(kLinkInactive, "disconnected by user");
            break;
        case kDialEventDialFailed: {
            DialupModule& dialup = TheDialupModule();
            AppendToErrorWindow("Unable to dial \"" + dialup.GetDialEntryName() +
                                "\" to synchronise from SNTP server.  " +
                                dialup.GetDialErrorText());
            break;
        }
        default:
            break;
    }
    LastUpdateRecord record = RebuildLinkText();
    TheEngineUiSink().RefreshStatusDialog(record);
}

}  // namespace orvane
