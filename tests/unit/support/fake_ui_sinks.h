// Stand-ins for the user interface and the process end, for unit tests.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/ui_sinks.h"

namespace orvane {

class FakeMessageBoxSink : public MessageBoxSink {
  public:
    struct Shown {
        std::string text;
        std::string caption;
        unsigned style = 0;
    };
    void Beep(unsigned icon_type) override;
    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned style) override;

    std::vector<unsigned> beeps() const;
    std::vector<Shown> boxes() const;

  private:
    mutable std::mutex mutex_;
    std::vector<unsigned> beeps_;
    std::vector<Shown> boxes_;
};

// Thrown by FakeProcessExit in place of ending the process.
struct ProcessExitCalled {
    unsigned code;
};

class FakeProcessExit : public ProcessExit {
  public:
    [[noreturn]] void Exit(unsigned code) override;
    std::vector<unsigned> codes() const;

  private:
    mutable std::mutex mutex_;
    std::vector<unsigned> codes_;
};

// An error window and the user-interface thread that owns it. With its
// own thread, requests are served there as the clock window would serve
// command 1203; without, the constructing thread is the user-interface
// thread and the test serves requests itself.
class FakeErrorWindow : public ErrorWindowSink {
  public:
    explicit FakeErrorWindow(bool own_ui_thread);
    ~FakeErrorWindow() override;

    bool OnUserInterfaceThread() override;
    bool RequestErrorWindow() override;
    bool IsErrorWindowOpen() override;
    bool OpenErrorWindow() override;
    bool SetErrorWindowText(const std::string& text) override;

    // Test controls.
    void SetClockWindowExists(bool exists);
    void CloseByUser();
    void FailSetText(bool fail);
    // Runs the function on the user-interface thread and waits for it.
    void RunOnUiThread(const std::function<void()>& function);

    std::string text() const;
    bool open() const;
    int open_count() const;
    int request_count() const;

  private:
    void Loop();

    mutable std::mutex mutex_;
    std::condition_variable work_;
    std::deque<std::function<void()>> tasks_;
    bool quit_ = false;
    bool clock_window_ = true;
    bool open_ = false;
    bool fail_set_text_ = false;
    int open_count_ = 0;
    int request_count_ = 0;
    std::string text_;
    std::thread::id ui_thread_;
    std::thread thread_;
};

}  // namespace orvane
