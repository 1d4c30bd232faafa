#include "logging/fatal_error.h"

#include <gtest/gtest.h>

#include "platform/fakes/fake_ui_sinks.h"
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

TEST_F(FatalErrorTest, TheProcessEndsEvenWithoutAMessageBox) {
    UseMessageBoxSink(nullptr);
    EXPECT_THROW(ReportFatalError("x"), ProcessExitCalled);
    EXPECT_EQ(exit_.codes(), std::vector<unsigned>{0u});
}

}  // namespace
}  // namespace orvane
