// The engine's user interface for unit tests: keeps every refresh, box and
// question, answers questions as told, and says the configuration dialog is
// open when told to.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "engine/engine_ui_sink.h"

namespace orvane {

class FakeEngineUiSink : public EngineUiSink {
  public:
    struct Box {
        std::string text;
        std::string caption;
    };

    void RefreshStatusDialog(const LastUpdateRecord& record) override;
    void PostInformationBox(const std::string& text, const std::string& caption) override;
    bool IsConfigurationDialogOpen() override;
    bool AskYesNoQuestion(const std::string& text, const std::string& caption) override;

    // Test controls.
    void SetConfigurationDialogOpen(bool open);
    // The button every question gets (No unless told).
    void AnswerQuestionsWith(bool yes);
    // Runs when a box is posted, before the post returns.
    void OnBox(std::function<void()> action);

    std::vector<LastUpdateRecord> refreshes() const;
    std::vector<Box> boxes() const;
    std::vector<Box> questions() const;
    // How often the engine asked about the configuration dialog.
    int dialog_queries() const;

  private:
    mutable std::mutex mutex_;
    bool dialog_open_ = false;
    std::function<void()> on_box_;
    std::vector<LastUpdateRecord> refreshes_;
    std::vector<Box> boxes_;
    std::vector<Box> questions_;
    bool answer_yes_ = false;
    int dialog_queries_ = 0;
};

}  // namespace orvane
