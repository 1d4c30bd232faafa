#include "support/fake_ui_sinks.h"

#include <future>

#include "logging/error_window.h"

namespace orvane {

void FakeMessageBoxSink::Beep(unsigned icon_type) {
    std::lock_guard<std::mutex> lock(mutex_);
    beeps_.push_back(icon_type);
}

int FakeMessageBoxSink::ShowMessageBox(const std::string& text, const std::string& caption,
                                       unsigned style) {
    std::lock_guard<std::mutex> lock(mutex_);
    boxes_.push_back(Shown{text, caption, style});
    return kMessageBoxResultOk;
}

std::vector<unsigned> FakeMessageBoxSink::beeps() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return beeps_;
}

std::vector<FakeMessageBoxSink::Shown> FakeMessageBoxSink::boxes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return boxes_;
}

void FakeProcessExit::Exit(unsigned code) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        codes_.push_back(code);
    }
    throw ProcessExitCalled{code};
}

std::vector<unsigned> FakeProcessExit::codes() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return codes_;
}

FakeErrorWindow::FakeErrorWindow(bool own_ui_thread) {
    if (own_ui_thread) {
        thread_ = std::thread([this] { Loop(); });
        ui_thread_ = thread_.get_id();
    } else {
        ui_thread_ = std::this_thread::get_id();
    }
}

FakeErrorWindow::~FakeErrorWindow() {
    if (thread_.joinable()) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            quit_ = true;
        }
        work_.notify_all();
        thread_.join();
    }
}

void FakeErrorWindow::Loop() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            work_.wait(lock, [this] { return quit_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

bool FakeErrorWindow::OnUserInterfaceThread() {
    return std::this_thread::get_id() == ui_thread_;
}

bool FakeErrorWindow::RequestErrorWindow() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!clock_window_)
        return false;
    ++request_count_;
    if (thread_.joinable()) {
        tasks_.push_back([] { ShowPendingErrorMessages(); });
        work_.notify_all();
    }
    return true;
}

bool FakeErrorWindow::IsErrorWindowOpen() {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

bool FakeErrorWindow::OpenErrorWindow() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    ++open_count_;
    text_.clear();
    return true;
}

bool FakeErrorWindow::SetErrorWindowText(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fail_set_text_ || !open_)
        return false;
    text_ = text;
    return true;
}

void FakeErrorWindow::SetClockWindowExists(bool exists) {
    std::lock_guard<std::mutex> lock(mutex_);
    clock_window_ = exists;
}

void FakeErrorWindow::CloseByUser() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    text_.clear();
}

void FakeErrorWindow::FailSetText(bool fail) {
    std::lock_guard<std::mutex> lock(mutex_);
    fail_set_text_ = fail;
}

void FakeErrorWindow::RunOnUiThread(const std::function<void()>& function) {
    if (!thread_.joinable()) {
        function();
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> finished = done->get_future();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back([function, done] {
            function();
            done->set_value();
        });
    }
    work_.notify_all();
    finished.wait();
}

std::string FakeErrorWindow::text() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return text_;
}

bool FakeErrorWindow::open() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_;
}

int FakeErrorWindow::open_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return open_count_;
}

int FakeErrorWindow::request_count() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return request_count_;
}

}  // namespace orvane
