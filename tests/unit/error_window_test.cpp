#include "logging/error_window.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "support/fake_clock.h"
#include "support/fake_ui_sinks.h"
#include "platform/last_error.h"

namespace orvane {
namespace {

constexpr char kStamp[] = "15/03/2024 09:05:07.042";

class ErrorWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetErrorWindowForTest();
        clock_.SetDateText("15/03/2024");
        clock_.SetLocal(SystemTime{2024, 3, 5, 15, 9, 5, 7, 42});
        UseClock(&clock_);
        UseMessageBoxSink(&boxes_);
        UseProcessExit(&exit_);
    }
    void TearDown() override {
        UseErrorWindowSink(nullptr);
        UseProcessExit(nullptr);
        UseMessageBoxSink(nullptr);
        UseClock(nullptr);
        ResetErrorWindowForTest();
    }

    static std::string Message(const std::string& text, int code) {
        return std::string("- ") + kStamp + ": " + text + "\r\nError code " + std::to_string(code) +
               "\r\n";
    }

    FakeClock clock_;
    FakeMessageBoxSink boxes_;
    FakeProcessExit exit_;
};

TEST_F(ErrorWindowTest, FirstMessageOpensTheWindowAndEndsWithTwoEmptyLines) {
    FakeErrorWindow window(false);  // this thread is the user-interface thread
    UseErrorWindowSink(&window);
    SetLastErrorCode(10060);
    AppendToErrorWindow("Unable to find help Orvane.hlp");

    EXPECT_EQ(window.open_count(), 1);
    EXPECT_EQ(window.request_count(), 0);  // opened directly, not asked for
    EXPECT_EQ(window.text(), Message("Unable to find help Orvane.hlp", 10060) + "\r\n\r\n");
    EXPECT_EQ(GetLastErrorCode(), 10060);
}

TEST_F(ErrorWindowTest, LaterMessagesFollowWithOneEmptyLine) {
    FakeErrorWindow window(false);
    UseErrorWindowSink(&window);
    SetLastErrorCode(0);
    AppendToErrorWindow("first");
    SetLastErrorCode(11001);
    AppendToErrorWindow("Manual update failed.  %s");

    EXPECT_EQ(window.open_count(), 1);
    EXPECT_EQ(window.text(), Message("first", 0) + "\r\n\r\n" +
                                 Message("Manual update failed.  %s", 11001) + "\r\n");
}

TEST_F(ErrorWindowTest, AClosedWindowReopensEmpty) {
    FakeErrorWindow window(false);
    UseErrorWindowSink(&window);
    SetLastErrorCode(1);
    AppendToErrorWindow("old");
    window.CloseByUser();
    AppendToErrorWindow("new");
    EXPECT_EQ(window.open_count(), 2);
    EXPECT_EQ(window.text(), Message("new", 1) + "\r\n\r\n");
}

TEST_F(ErrorWindowTest, AWorkerHandsTheMessageToTheUserInterfaceThread) {
    FakeErrorWindow window(true);
    UseErrorWindowSink(&window);
    window.RunOnUiThread([] { SetLastErrorCode(999); });
    SetLastErrorCode(10054);  // this worker's code, not the window thread's
    AppendToErrorWindow("Connection reset");

    // Shown by the time the call returns.
    EXPECT_EQ(window.request_count(), 1);
    EXPECT_EQ(window.text(), Message("Connection reset", 10054) + "\r\n\r\n");
    EXPECT_EQ(GetLastErrorCode(), 10054);
}

TEST_F(ErrorWindowTest, TwoThreadsAppendingAtOnceLoseNothing) {
    FakeErrorWindow window(true);
    UseErrorWindowSink(&window);
    constexpr int kEach = 15;
    std::vector<std::thread> workers;
    for (int t = 0; t < 2; ++t) {
        workers.emplace_back([t] {
            SetLastErrorCode(t);
            for (int i = 0; i < kEach; ++i) {
                AppendToErrorWindow("worker " + std::to_string(t) + " #" + std::to_string(i));
            }
        });
    }
    for (std::thread& w : workers)
        w.join();

    const std::string text = window.text();
    ASSERT_LE(text.size(), kErrorWindowMaxText);
    for (int t = 0; t < 2; ++t) {
        for (int i = 0; i < kEach; ++i) {
            std::string one = Message("worker " + std::to_string(t) + " #" + std::to_string(i), t);
            std::size_t at = text.find(one);
            ASSERT_NE(at, std::string::npos) << one;
            EXPECT_EQ(text.find(one, at + 1), std::string::npos) << one;
        }
    }
    // Exactly one message is the window's first.
    EXPECT_EQ(text.size(), 30 * (Message("worker 0 #0", 0).size() + 2) + 10 + 2);
    EXPECT_EQ(window.open_count(), 1);
    EXPECT_EQ(PendingErrorMessageCount(), 0u);
}

TEST_F(ErrorWindowTest, MessagesBeforeAnyWindowAreKeptAndShownLater) {
    FakeErrorWindow window(true);
    window.SetClockWindowExists(false);
    UseErrorWindowSink(&window);
    std::thread early([] {
        SetLastErrorCode(5);
        AppendToErrorWindow("early");
    });
    while (PendingErrorMessageCount() < 1u)
        std::this_thread::yield();
    std::thread worker([] {
        SetLastErrorCode(6);
        AppendToErrorWindow("while starting");
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(window.open_count(), 0);
    window.SetClockWindowExists(true);  // the worker's next poll asks again
    worker.join();
    early.join();

    EXPECT_EQ(window.text(),
              Message("early", 5) + "\r\n\r\n" + Message("while starting", 6) + "\r\n");
    EXPECT_EQ(PendingErrorMessageCount(), 0u);
}

TEST_F(ErrorWindowTest, TheOldestWholeMessagesMakeRoomForTheNewest) {
    FakeErrorWindow window(false);
    UseErrorWindowSink(&window);
    SetLastErrorCode(0);
    for (int i = 0; i < 12; ++i) {
        AppendToErrorWindow(std::to_string(i % 10) + std::string(700, 'x'));
        ASSERT_LE(window.text().size(), kErrorWindowMaxText);
    }
    const std::string text = window.text();
    const std::string last = Message("1" + std::string(700, 'x'), 0) + "\r\n";
    ASSERT_GE(text.size(), last.size());
    EXPECT_EQ(text.substr(text.size() - last.size()), last);
    // Whole messages only: the text starts at a message.
    EXPECT_EQ(text.compare(0, 2 + sizeof kStamp - 1, std::string("- ") + kStamp), 0);
    EXPECT_EQ(text.size() % last.size(), 0u);
    EXPECT_EQ(text.size() / last.size(), kErrorWindowMaxText / last.size());
}

TEST_F(ErrorWindowTest, AMessageLongerThanTheWindowShowsItsBeginning) {
    FakeErrorWindow window(false);
    UseErrorWindowSink(&window);
    SetLastErrorCode(0);
    AppendToErrorWindow("short");
    AppendToErrorWindow(std::string(6000, 'y'));
    const std::string text = window.text();
    EXPECT_EQ(text.size(), kErrorWindowMaxText);
    EXPECT_EQ(text.substr(0, 30), std::string("- ") + kStamp + ": yyy");
}

TEST_F(ErrorWindowTest, FailingToSetTheTextIsFatal) {
    FakeErrorWindow window(false);
    UseErrorWindowSink(&window);
    window.FailSetText(true);
    SetLastErrorCode(1400);
    try {
        AppendToErrorWindow("x");
        FAIL() << "the process should have ended";
    } catch (const ProcessExitCalled& exit) {
        EXPECT_EQ(exit.code, 0u);
    }
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text.rfind("SetDlgItemText() failed\nError code ", 0), 0u);

    // The failed message counts as handled: a later worker is not kept waiting.
    FakeErrorWindow served(true);
    UseErrorWindowSink(&served);
    const auto start = std::chrono::steady_clock::now();
    AppendToErrorWindow("after");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    EXPECT_EQ(served.text(), Message("after", 1400) + "\r\n\r\n");
}

}  // namespace
}  // namespace orvane
