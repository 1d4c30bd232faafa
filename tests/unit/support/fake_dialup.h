// A scripted dial-up module for unit tests: availability, connection state,
// dial result and texts are set by the test; every call is recorded; a
// hang-up of the program's own connection raises 22501 as the real one does.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "dialup/dialup_module.h"

namespace orvane {

class FakeDialup : public DialupModule {
  public:
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
    std::string GetDialEntryName() override;
    std::string GetDialErrorText() override;
    int HangUpOwnConnection() override;
    int DialConfiguredEntry() override;

    // Test controls.
    void SetAvailable(int available);
    void SetConnectionState(int state);
    // What DialConfiguredEntry answers; on non-zero the entry counts as
    // dialled, so a later hang-up succeeds.
    void SetDialResult(int result);
    void SetErrorText(const std::string& text);
    // Raises an event on the calling thread, as the module would.
    void Raise(int event);

    // Every call, by name, in order ("BindDialup(1)", "SetDialEntryName(x)",
    // "DialConfiguredEntry", "HangUpOwnConnection", ...).
    std::vector<std::string> calls() const;
    int count(const std::string& call) const;
    bool has_error_reporter() const;
    bool has_event_handler() const;
    std::string user_name() const;
    std::string password() const;
    DialWindowHandle owner_window() const;
    DialWindowHandle notify_window() const;
    int progress_visible() const;

  private:
    void Record(const std::string& call);

    mutable std::mutex mutex_;
    int available_ = 0;
    int state_ = kConnectionStateNotConnected;
    int dial_result_ = 0;
    bool dialled_ = false;
    std::string entry_name_;
    std::string user_name_;
    std::string password_;
    std::string error_text_;
    DialWindowHandle owner_window_ = 0;
    DialWindowHandle notify_window_ = 0;
    int progress_visible_ = 0;
    DialErrorReporter reporter_;
    DialEventHandler handler_;
    std::vector<std::string> calls_;
};

}  // namespace orvane
