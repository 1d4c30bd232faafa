#include "support/fake_engine_ui_sink.h"

namespace orvane {

void FakeEngineUiSink::RefreshStatusDialog(const LastUpdateRecord& record) {
    std::lock_guard<std::mutex> lock(mutex_);
    refreshes_.push_back(record);
}

void FakeEngineUiSink::PostInformationBox(const std::string& text, const std::string& caption) {
    std::function<void()> action;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        boxes_.push_back(Box{text, caption});
        action = on_box_;
    }
    if (action)
        action();
}

bool FakeEngineUiSink::IsConfigurationDialogOpen() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++dialog_queries_;
    return dialog_open_;
}

bool FakeEngineUiSink::AskYesNoQuestion(const std::string& text, const std::string& caption) {
    std::lock_guard<std::mutex> lock(mutex_);
    questions_.push_back(Box{text, caption});
    return answer_yes_;
}

void FakeEngineUiSink::AnswerQuestionsWith(bool yes) {
    std::lock_guard<std::mutex> lock(mutex_);
    answer_yes_ = yes;
}

std::vector<FakeEngineUiSink::Box> FakeEngineUiSink::questions() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return questions_;
}

void FakeEngineUiSink::SetConfigurationDialogOpen(bool open) {
    std::lock_guard<std::mutex> lock(mutex_);
    dialog_open_ = open;
}

void FakeEngineUiSink::OnBox(std::function<void()> action) {
    std::lock_guard<std::mutex> lock(mutex_);
    on_box_ = std::move(action);
}

std::vector<LastUpdateRecord> FakeEngineUiSink::refreshes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return refreshes_;
}

std::vector<FakeEngineUiSink::Box> FakeEngineUiSink::boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

int FakeEngineUiSink::dialog_queries() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return dialog_queries_;
}

}  // namespace orvane
