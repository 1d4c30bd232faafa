// The ways the core reaches the user interface and the process: the
// message box, the error window and ending the process. The program
// installs the real ones at start; unit tests install fakes. Worker threads
// never touch a window themselves; they go through these.
#pragma once

#include <string>

#include "platform/interface_slot.h"

namespace orvane {

// Message-box styles and results, numbered as Windows numbers them.
constexpr unsigned kMessageBoxOk = 0x00000000;
constexpr unsigned kMessageBoxIconExclamation = 0x00000030;
constexpr int kMessageBoxResultOk = 1;

class MessageBoxSink {
  public:
    virtual ~MessageBoxSink() = default;
    // The system sound for a message-box icon type (MessageBeep).
    virtual void Beep(unsigned icon_type) = 0;
    // Shows a box without an owner window and returns the button pressed
    // (0 when it could not be shown).
    virtual int ShowMessageBox(const std::string& text, const std::string& caption,
                               unsigned style) = 0;
};

// The user-interface thread's side of the error window. The core keeps the
// window's text; this only opens the window and shows the text.
class ErrorWindowSink {
  public:
    virtual ~ErrorWindowSink() = default;
    // True on the thread that owns the windows.
    virtual bool OnUserInterfaceThread() = 0;
    // Any thread: asks the user-interface thread to run
    // ShowPendingErrorMessages() (command 1203 to the clock window). False
    // when there is nobody to ask yet (no clock window).
    virtual bool RequestErrorWindow() = 0;
    // User-interface thread only from here on.
    virtual bool IsErrorWindowOpen() = 0;
    // Creates the (empty) error window; false when it could not be made.
    virtual bool OpenErrorWindow() = 0;
    // Replaces the text of the window's edit control; false on failure.
    virtual bool SetErrorWindowText(const std::string& text) = 0;
};

class ProcessExit {
  public:
    virtual ~ProcessExit() = default;
    // Ends the process with the code. A test stand-in may throw instead.
    virtual void Exit(unsigned code) = 0;
};

inline InterfaceSlot<MessageBoxSink> installed_message_box_sink{"message box sink"};
inline void UseMessageBoxSink(MessageBoxSink* implementation) {
    installed_message_box_sink.Install(implementation);
}
inline MessageBoxSink& TheMessageBoxSink() {
    return installed_message_box_sink.Get();
}

inline InterfaceSlot<ErrorWindowSink> installed_error_window_sink{"error window sink"};
inline void UseErrorWindowSink(ErrorWindowSink* implementation) {
    installed_error_window_sink.Install(implementation);
}
inline ErrorWindowSink& TheErrorWindowSink() {
    return installed_error_window_sink.Get();
}

inline InterfaceSlot<ProcessExit> installed_process_exit{"process exit"};
inline void UseProcessExit(ProcessExit* implementation) {
    installed_process_exit.Install(implementation);
}
inline ProcessExit& TheProcessExit() {
    return installed_process_exit.Get();
}

}  // namespace orvane
