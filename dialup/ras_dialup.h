// The dial-up module over Remote Access: binds the library at run time,
// watches the connections with a monitor thread, dials the configured
// phone-book entry with a progress dialog, and hangs up the connection it
// dialled. The decisions live here; the library and the windows are reached
// through RasLibrary and DialProgressUi.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dialup/dialup_module.h"
#include "dialup/dial_progress_ui.h"
#include "platform/ras_library.h"

namespace orvane {

// The texts a dial can end with.
constexpr char kDialErrorGeneral[] = "General dialing error.";
constexpr char kDialErrorInvalidEntry[] = "Invalid dialup networking connection.";
constexpr char kDialErrorInternal[] = "Internal dialing error.";
constexpr char kDialErrorNoText[] = "Internal windows error.";
constexpr char kDialErrorCancelled[] = "Dialing cancelled by user.";

// Connection monitor period.
constexpr int kConnectionMonitorPeriodMs = 10000;

class RasDialup : public DialupModule {
  public:
    // `maker` gives a fresh library object for each use that must load the
    // library on its own (the availability probe, the entry listing) and
    // the one the module binds. `ui` may be null: dials then run unseen.
    RasDialup(RasLibraryMaker maker, DialProgressUi* ui);
    // Stops the monitor and waits for it (the program never destroys its
    // module; tests do).
    ~RasDialup() override;
    RasDialup(const RasDialup&) = delete;
    RasDialup& operator=(const RasDialup&) = delete;

    int IsDialupAvailable() override;
    void BindDialup(int start_monitor) override;

    void SetDialErrorReporter(DialErrorReporter reporter) override;
    void SetDialUserName(const char* name) override;
    void SetDialPassword(const char* password) override;
    void SetDialEntryName(const char* name) override;
    void SetDialOwnerWindow(DialWindowHandle window) override;
    void SetDialProgressVisible(int visible) override;
    void SetDialNotifyWindow(DialWindowHandle window) override;
    void SetDialEventHandler(DialEventHandler handler) override;

    void PollConnections() override;
    int GetConnectionState() override;
    // The configured entry name.
    std::string GetDialEntryName() override;
    std::string GetDialErrorText() override;
    int HangUpOwnConnection() override;
    int DialConfiguredEntry() override;
    std::vector<std::string> ListPhoneBookEntries() override;

    // 1 when the monitor thread started. It polls every period until asked
    // to stop, and once more after the request.
    int StartConnectionMonitor();
    // Asks the monitor to end; does not wait.
    void StopConnectionMonitor();
    void SetMonitorPeriodMs(int period_ms);

    // The dial's notifier: runs on a thread of the library.
    void OnDialProgress(unsigned message, int state, std::uint32_t error);
    // From the progress dialog's thread: its initialisation and Cancel.
    void OnProgressDialogCreated(DialUiWindow dialog);
    void OnProgressDialogCancel();

    // State a caller may look at.
    int IsBound() const;
    std::string GetDialledEntry() const;
    DialUiWindow GetProgressDialog() const;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace orvane
