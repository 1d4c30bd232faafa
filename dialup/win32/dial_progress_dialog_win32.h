// The dial's windows on Windows: the progress dialog (template 150) on a
// thread of its own, and commands posted to the notify window.
#pragma once

#include "dialup/dial_progress_ui.h"

namespace orvane {

class Win32DialProgressUi : public DialProgressUi {
  public:
    bool StartProgressDialog(DialUiWindow owner, std::function<void(DialUiWindow)> created,
                             std::function<void()> cancel) override;
    void ShowProgressDialog(DialUiWindow dialog, bool visible) override;
    void SetProgressText(DialUiWindow dialog, const std::string& text) override;
    void CloseProgressDialog(DialUiWindow dialog) override;
    void PostCommand(DialUiWindow window, int command) override;
};

}  // namespace orvane
