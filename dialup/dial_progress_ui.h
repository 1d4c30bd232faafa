// The windows of a dial as the dial-up module sees them: the progress
// dialog, which runs on a thread of its own, and the command messages
// posted to a notify window. The Windows build implements it with dialog
// template 150; unit tests use a recording one.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace orvane {

// A window handle (HWND); 0 is none.
using DialUiWindow = std::uintptr_t;

class DialProgressUi {
  public:
    virtual ~DialProgressUi() = default;

    // Starts the dialog's thread, which creates the dialog owned by `owner`,
    // centred on the screen, calls `created` with its handle from
    // initialisation, then runs it until it is closed. The Cancel command
    // calls `cancel` on that thread. False when the thread could not start.
    virtual bool StartProgressDialog(DialUiWindow owner,
                                     std::function<void(DialUiWindow dialog)> created,
                                     std::function<void()> cancel) = 0;
    // Any thread; none of these waits for the dialog's thread.
    virtual void ShowProgressDialog(DialUiWindow dialog, bool visible) = 0;
    virtual void SetProgressText(DialUiWindow dialog, const std::string& text) = 0;
    virtual void CloseProgressDialog(DialUiWindow dialog) = 0;
    // Posts WM_COMMAND with the command number to the window.
    virtual void PostCommand(DialUiWindow window, int command) = 0;
};

}  // namespace orvane
