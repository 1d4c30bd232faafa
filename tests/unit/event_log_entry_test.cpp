#include "logging/event_log_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "support/fake_event_log.h"
#include "support/fake_ui_sinks.h"
#include "platform/last_error.h"

namespace orvane {
namespace {

class EventLogEntryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseEventLog(&event_log_);
        UseMessageBoxSink(&boxes_);
        UseProcessExit(&exit_);
    }
    void TearDown() override {
        UseEventLog(nullptr);
        UseMessageBoxSink(nullptr);
        UseProcessExit(nullptr);
    }

    // Runs a write that must end the program; returns the box's text.
    std::string FatalTextOf(const std::string& text, int severity) {
        try {
            WriteEventLogEntry(text, severity);
        } catch (const ProcessExitCalled& ended) {
            EXPECT_EQ(ended.code, 0u);
            const auto boxes = boxes_.boxes();
            EXPECT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes.at(0).caption, "Orvane - Fatal Error");
            return boxes.at(0).text;
        }
        ADD_FAILURE() << "the program went on";
        return "";
    }

    FakeEventLog event_log_;
    FakeMessageBoxSink boxes_;
    FakeProcessExit exit_;
};

TEST_F(EventLogEntryTest, SeverityChoosesTheEntryType) {
    const std::vector<std::pair<int, EventType>> cases = {
        {0, EventType::kInformation}, {1, EventType::kWarning}, {2, EventType::kError},
        {-1, EventType::kError},      {3, EventType::kError},   {1000, EventType::kError},
    };
    for (const auto& c : cases)
        WriteEventLogEntry("x", c.first);
    const auto entries = event_log_.entries();
    ASSERT_EQ(entries.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(entries[i].type, cases[i].second) << "severity " << cases[i].first;
        EXPECT_EQ(static_cast<int>(entries[i].type), cases[i].first == 0   ? 4
                                                     : cases[i].first == 1 ? 2
                                                                           : 1);
    }
}

TEST_F(EventLogEntryTest, EveryEntryHasTheFixedSourceCategoryAndIdentifier) {
    WriteEventLogEntry("Orvane started", 0);
    WriteEventLogEntry("Unable to synchronise from external time source.", 2);
    const auto entries = event_log_.entries();
    ASSERT_EQ(entries.size(), 2u);
    for (const auto& entry : entries) {
        EXPECT_EQ(entry.source, "Orvane");
        EXPECT_EQ(entry.category, 0);
        EXPECT_EQ(entry.identifier, 0xC0001010u);
    }
}

TEST_F(EventLogEntryTest, TheTextIsTheOnlyStringAndIsPassedUnchanged) {
    const std::string texts[] = {
        "Orvane stopped",
        "Unable to dial \"My ISP\".  Error 691 %s %1 %%",
        "",
        std::string(2000, 'z'),
    };
    for (const auto& text : texts)
        WriteEventLogEntry(text, 2);
    const auto entries = event_log_.entries();
    ASSERT_EQ(entries.size(), 4u);
    for (size_t i = 0; i < 4; ++i) {
        ASSERT_EQ(entries[i].strings.size(), 1u);
        EXPECT_EQ(entries[i].strings[0], texts[i]);
    }
}

TEST_F(EventLogEntryTest, EachEntryRegistersAndReleasesTheSourceAfresh) {
    for (int i = 0; i < 3; ++i) {
        WriteEventLogEntry("entry", 0);
        EXPECT_EQ(event_log_.open_sources(), 0) << "nothing stays open after entry " << i;
    }
    EXPECT_EQ(event_log_.registrations(), 3);
    EXPECT_EQ(event_log_.releases(), 3);
    EXPECT_EQ(event_log_.registration_names(),
              (std::vector<std::string>{"Orvane", "Orvane", "Orvane"}));
    EXPECT_EQ(event_log_.stray_reports(), 0);
}

TEST_F(EventLogEntryTest, EntriesFromManyThreadsAllArriveAndNothingStaysOpen) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t] {
            for (int i = 0; i < 50; ++i)
                WriteEventLogEntry("thread " + std::to_string(t), t % 3);
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(event_log_.entries().size(), 200u);
    EXPECT_EQ(event_log_.open_sources(), 0);
    EXPECT_EQ(event_log_.stray_reports(), 0);
}

TEST_F(EventLogEntryTest, ASourceThatCannotBeRegisteredEndsTheProgramWithItsCode) {
    event_log_.FailRegisterWith(1717);
    SetLastErrorCode(5);  // stale: the registration's own code must be shown
    EXPECT_EQ(FatalTextOf("Orvane started", 0), "RegisterEventSource() failed\nError code 1717.");
    EXPECT_TRUE(event_log_.entries().empty());
    EXPECT_EQ(event_log_.stray_reports(), 0) << "no report without a source";
    EXPECT_EQ(event_log_.releases(), 0);
}

TEST_F(EventLogEntryTest, ASourceThatCannotBeReleasedEndsTheProgramAfterTheEntry) {
    event_log_.FailDeregisterWith(6);
    EXPECT_EQ(FatalTextOf("Orvane stopped", 0), "CloseEventLog() failed\nError code 6.");
    const auto entries = event_log_.entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].strings.at(0), "Orvane stopped");
}

}  // namespace
}  // namespace orvane
