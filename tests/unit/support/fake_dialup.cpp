#include "support/fake_dialup.h"

#include <algorithm>

namespace orvane {

void FakeDialup::Record(const std::string& call) {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back(call);
}

int FakeDialup::IsDialupAvailable() {
    Record("IsDialupAvailable");
    std::lock_guard<std::mutex> lock(mutex_);
    return available_;
}

void FakeDialup::BindDialup(int start_monitor) {
    Record("BindDialup(" + std::to_string(start_monitor) + ")");
}

void FakeDialup::SetDialErrorReporter(DialErrorReporter reporter) {
    Record("SetDialErrorReporter");
    std::lock_guard<std::mutex> lock(mutex_);
    reporter_ = std::move(reporter);
}

void FakeDialup::SetDialUserName(const char* name) {
    Record("SetDialUserName");
    std::lock_guard<std::mutex> lock(mutex_);
    user_name_ = name != nullptr ? name : "";
}

void FakeDialup::SetDialPassword(const char* password) {
    Record("SetDialPassword");
    std::lock_guard<std::mutex> lock(mutex_);
    password_ = password != nullptr ? password : "";
}

void FakeDialup::SetDialEntryName(const char* name) {
    Record("SetDialEntryName");
    std::lock_guard<std::mutex> lock(mutex_);
    entry_name_ = name != nullptr ? name : "";
}

void FakeDialup::SetDialOwnerWindow(DialWindowHandle window) {
    Record("SetDialOwnerWindow");
    std::lock_guard<std::mutex> lock(mutex_);
    owner_window_ = window;
}

void FakeDialup::SetDialProgressVisible(int visible) {
    Record("SetDialProgressVisible");
    std::lock_guard<std::mutex> lock(mutex_);
    progress_visible_ = visible;
}

void FakeDialup::SetDialNotifyWindow(DialWindowHandle window) {
    Record("SetDialNotifyWindow");
    std::lock_guard<std::mutex> lock(mutex_);
    notify_window_ = window;
}

void FakeDialup::SetDialEventHandler(DialEventHandler handler) {
    Record("SetDialEventHandler");
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
}

void FakeDialup::PollConnections() {
    Record("PollConnections");
}

int FakeDialup::GetConnectionState() {
    std::lock_guard<std::mutex> lock(mutex_);
    return state_;
}

std::string FakeDialup::GetDialEntryName() {
    std::lock_guard<std::mutex> lock(mutex_);
    return entry_name_;
}

std::string FakeDialup::GetDialErrorText() {
    std::lock_guard<std::mutex> lock(mutex_);
    return error_text_;
}

int FakeDialup::HangUpOwnConnection() {
    Record("HangUpOwnConnection");
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!dialled_)
            return 0;
        dialled_ = false;
    }
    Raise(kDialEventDisconnectedByOrvane);
    return 1;
}

int FakeDialup::DialConfiguredEntry() {
    Record("DialConfiguredEntry");
    std::lock_guard<std::mutex> lock(mutex_);
    if (dial_result_ != 0)
        dialled_ = true;
    return dial_result_;
}

void FakeDialup::SetAvailable(int available) {
    std::lock_guard<std::mutex> lock(mutex_);
    available_ = available;
}

void FakeDialup::SetConnectionState(int state) {
    std::lock_guard<std::mutex> lock(mutex_);
    state_ = state;
}

void FakeDialup::SetDialResult(int result) {
    std::lock_guard<std::mutex> lock(mutex_);
    dial_result_ = result;
}

void FakeDialup::SetErrorText(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    error_text_ = text;
}

void FakeDialup::Raise(int event) {
    DialEventHandler handler;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        handler = handler_;
    }
    if (handler)
        handler(event);
}

std::vector<std::string> FakeDialup::calls() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

int FakeDialup::count(const std::string& call) const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<int>(std::count(calls_.begin(), calls_.end(), call));
}

bool FakeDialup::has_error_reporter() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<bool>(reporter_);
}

bool FakeDialup::has_event_handler() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return static_cast<bool>(handler_);
}

std::string FakeDialup::user_name() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return user_name_;
}

std::string FakeDialup::password() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return password_;
}

DialWindowHandle FakeDialup::owner_window() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return owner_window_;
}

DialWindowHandle FakeDialup::notify_window() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return notify_window_;
}

int FakeDialup::progress_visible() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return progress_visible_;
}

}  // namespace orvane
