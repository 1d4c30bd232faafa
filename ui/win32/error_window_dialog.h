// The error window (dialog 1200) and the sinks through which the core
// reaches the user interface: the error window's side and the engine's
// (status refresh, the information box, the question box, the configuration
// dialog's state).
#pragma once

#include <windows.h>

#include <string>

#include "engine/engine_ui_sink.h"
#include "platform/ui_sinks.h"

namespace orvane {

// Opens the error window with the clock window as parent (null before it
// exists); the dialog records its handle. False when it could not be made.
bool OpenErrorWindow();

class Win32ErrorWindowSink : public ErrorWindowSink {
  public:
    bool OnUserInterfaceThread() override;
    bool RequestErrorWindow() override;
    bool IsErrorWindowOpen() override;
    bool OpenErrorWindow() override;
    bool SetErrorWindowText(const std::string& text) override;
};

class Win32EngineUiSink : public EngineUiSink {
  public:
    void RefreshStatusDialog(const LastUpdateRecord& record) override;
    void PostInformationBox(const std::string& text, const std::string& caption) override;
    bool IsConfigurationDialogOpen() override;
    bool AskYesNoQuestion(const std::string& text, const std::string& caption) override;
};

// A box the engine asked for, posted to the clock window with
// kInformationBoxMessage; the window takes ownership.
struct InformationBoxRequest {
    std::string text;
    std::string caption;
};

// A question the engine asks, sent to the clock window with
// kQuestionBoxMessage; the asking thread keeps it.
struct QuestionBoxRequest {
    std::string text;
    std::string caption;
};

}  // namespace orvane
