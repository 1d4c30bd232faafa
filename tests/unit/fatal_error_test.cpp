#include "logging/fatal_error.h"

#include <gtest/gtest.h>

#include "support/fake_ui_sinks.h"
#include "platform/last_error.h"

namespace orvane {
namespace {

class FatalErrorTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseMessageBoxSink(&boxes_);
        UseProcessExit(&exit_);
    }
    void TearDown() override {
        UseProcessExit(nullptr);
        UseMessageBoxSink(nullptr);
        SetFatalErrorProgramName("Orvane");
    }
    FakeMessageBoxSink boxes_;
    FakeProcessExit exit_;
};

TEST_F(FatalErrorTest, WithCodeShowsTheCodeReadOnEntryThenEndsWithZero) {
    SetLastErrorCode(1450);
    EXPECT_THROW(ReportFatalErrorWithCode("_beginthread() failed"), ProcessExitCalled);

    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, "_beginthread() failed\nError code 1450.");
    EXPECT_EQ(boxes_.boxes()[0].caption, "Orvane - Fatal Error");
    EXPECT_EQ(boxes_.boxes()[0].style, kMessageBoxOk | kMessageBoxIconExclamation);
    EXPECT_EQ(boxes_.beeps(), std::vector<unsigned>{kMessageBoxIconExclamation});
    EXPECT_EQ(exit_.codes(), std::vector<unsigned>{0u});
}

TEST_F(FatalErrorTest, PlainShowsTheTextUnformatted) {
    EXPECT_THROW(ReportFatalError("Unable to end thread (2). 100%d"), ProcessExitCalled);
    ASSERT_EQ(boxes_.boxes().size(), 1u);
    EXPECT_EQ(boxes_.boxes()[0].text, "Unable to end thread (2). 100%d");
    EXPECT_EQ(exit_.codes(), std::vector<unsigned>{0u});
}

TEST_F(FatalErrorTest, CaptionNamesTheProgram) {
    SetFatalErrorProgramName("Setup");
    EXPECT_THROW(ReportFatalError("x"), ProcessExitCalled);
    EXPECT_EQ(boxes_.boxes().at(0).caption, "Setup - Fatal Error");
}

// A second failure while the first box is open (here raised from inside the
// box, as its message loop could) ends the process instead of waiting on
// the first report for ever.
TEST_F(FatalErrorTest, ASecondReportWhileTheBoxIsOpenEndsTheProcess) {
    class ReenteringBoxes : public FakeMessageBoxSink {
      public:
        int ShowMessageBox(const std::string& text, const std::string& caption,
                           unsigned style) override {
            FakeMessageBoxSink::ShowMessageBox(text, caption, style);
            ReportFatalError("second");
            return kMessageBoxResultOk;
        }
    } reentering;
    UseMessageBoxSink(&reentering);
    EXPECT_THROW(ReportFatalError("first"), ProcessExitCalled);
    ASSERT_EQ(reentering.boxes().size(), 1u);
    EXPECT_EQ(reentering.boxes()[0].text, "first");
    EXPECT_EQ(exit_.codes(), std::vector<unsigned>{0u});

    // Once the stand-in's exit has unwound, a new report shows its box again.
    UseMessageBoxSink(&boxes_);
    EXPECT_THROW(ReportFatalError("later"), ProcessExitCalled);
    EXPECT_EQ(boxes_.boxes().size(), 1u);
}

}  // namespace
}  // namespace orvane
