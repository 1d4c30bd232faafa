#include "support/fake_dial_progress_ui.h"

namespace orvane {

bool FakeDialProgressUi::StartProgressDialog(DialUiWindow owner,
                                             std::function<void(DialUiWindow)> created,
                                             std::function<void()> cancel) {
    DialUiWindow dialog;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        events_.push_back("start(owner=" + std::to_string(owner) + ")");
        ++starts_;
        last_owner_ = owner;
        if (!start_succeeds_)
            return false;
        dialog = ++next_dialog_;
        cancel_ = std::move(cancel);
    }
    if (created)
        created(dialog);
    return true;
}

void FakeDialProgressUi::ShowProgressDialog(DialUiWindow dialog, bool visible) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("show(" + std::to_string(dialog) + "," + (visible ? "1" : "0") + ")");
    last_visible_ = visible;
}

void FakeDialProgressUi::SetProgressText(DialUiWindow dialog, const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("text(" + std::to_string(dialog) + "," + text + ")");
    texts_.push_back(text);
}

void FakeDialProgressUi::CloseProgressDialog(DialUiWindow dialog) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("close(" + std::to_string(dialog) + ")");
}

void FakeDialProgressUi::PostCommand(DialUiWindow window, int command) {
    std::lock_guard<std::mutex> lock(mutex_);
    events_.push_back("post(" + std::to_string(window) + "," + std::to_string(command) + ")");
}

void FakeDialProgressUi::SetStartSucceeds(bool succeeds) {
    std::lock_guard<std::mutex> lock(mutex_);
    start_succeeds_ = succeeds;
}

void FakeDialProgressUi::PressCancel() {
    std::function<void()> cancel;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        cancel = cancel_;
    }
    if (cancel)
        cancel();
}

std::vector<std::string> FakeDialProgressUi::events() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return events_;
}
std::vector<std::string> FakeDialProgressUi::texts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return texts_;
}
int FakeDialProgressUi::starts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return starts_;
}
DialUiWindow FakeDialProgressUi::last_owner() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_owner_;
}
bool FakeDialProgressUi::last_visible() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return last_visible_;
}

}  // namespace orvane
