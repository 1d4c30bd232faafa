// A recording stand-in for the dial's windows: the progress dialog is
// "created" at once on the calling thread; every text, show, close and
// posted command is kept in order. PressCancel acts as the dialog's button.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "dialup/dial_progress_ui.h"

namespace orvane {

class FakeDialProgressUi : public DialProgressUi {
  public:
    bool StartProgressDialog(DialUiWindow owner, std::function<void(DialUiWindow)> created,
                             std::function<void()> cancel) override;
    void ShowProgressDialog(DialUiWindow dialog, bool visible) override;
    void SetProgressText(DialUiWindow dialog, const std::string& text) override;
    void CloseProgressDialog(DialUiWindow dialog) override;
    void PostCommand(DialUiWindow window, int command) override;

    void SetStartSucceeds(bool succeeds);
    // Calls the Cancel handler of the latest dialog, on this thread.
    void PressCancel();

    // "start(owner=0)", "show(101,1)", "text(101,Dialing...)", "close(101)",
    // "post(55,22502)", in order.
    std::vector<std::string> events() const;
    // Only the texts, in order.
    std::vector<std::string> texts() const;
    int starts() const;
    DialUiWindow last_owner() const;
    bool last_visible() const;

  private:
    mutable std::mutex mutex_;
    bool start_succeeds_ = true;
    DialUiWindow next_dialog_ = 100;
    int starts_ = 0;
    DialUiWindow last_owner_ = 0;
    bool last_visible_ = false;
    std::function<void()> cancel_;
    std::vector<std::string> events_;
    std::vector<std::string> texts_;
};

}  // namespace orvane
