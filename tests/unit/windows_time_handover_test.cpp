#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service/service_start_type.h"
#include "service/windows_time_record.h"
#include "support/fake_registry.h"
#include "support/fake_service_control.h"
#include "support/windows_time_samples.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Triggers = std::vector<ServiceTrigger>;
constexpr RegistryScope kMachine = RegistryScope::kMachine;
constexpr char kKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane";

Bytes Encoded(const Triggers& triggers) {
    Bytes bytes;
    EXPECT_TRUE(EncodeServiceTriggers(triggers, &bytes));
    return bytes;
}

// --- The record's form of a trigger list.

TEST(ServiceTriggersRecordTest, EveryListComesBackExactly) {
    for (const Triggers& list :
         {Triggers{}, Triggers{DomainJoinTrigger()},
          Triggers{DomainJoinTrigger(), CustomStopTrigger(), BareTrigger()}}) {
        Triggers back{BareTrigger()};
        EXPECT_TRUE(DecodeServiceTriggers(Encoded(list), &back));
        EXPECT_EQ(back, list);
    }
}

TEST(ServiceTriggersRecordTest, ListsBeyondTheManagersBoundsAreNotRecorded) {
    ServiceTrigger big = CustomStopTrigger();
    big.data[0].bytes.resize(kMaxTriggerDataBytes + 1);
    ServiceTrigger many = BareTrigger();
    many.data.resize(kMaxTriggerDataItems + 1, {1, {}});
    for (const Triggers& list : {Triggers(kMaxTriggers + 1), Triggers{big}, Triggers{many}}) {
        Bytes bytes{9};
        EXPECT_FALSE(EncodeServiceTriggers(list, &bytes));
        EXPECT_EQ(bytes, Bytes{9});
    }
}

// A record that is not exactly one list within the bounds is refused,
// whatever its bytes.
struct CorruptCase {
    const char* name;
    std::function<void(Bytes&)> spoil;
};

class CorruptTriggersTest : public ::testing::TestWithParam<CorruptCase> {};

TEST_P(CorruptTriggersTest, IsRefused) {
    // One custom stop trigger: count 0..3, type 4..7, action 8..11, subtype
    // flag 12, subtype 13..28, items 29..32, first item type 33..36, size
    // 37..40.
    Bytes bytes = Encoded({CustomStopTrigger()});
    GetParam().spoil(bytes);
    Triggers triggers{BareTrigger()};
    EXPECT_FALSE(DecodeServiceTriggers(bytes, &triggers));
    EXPECT_EQ(triggers, Triggers{BareTrigger()});
}

INSTANTIATE_TEST_SUITE_P(
    Records, CorruptTriggersTest,
    ::testing::Values(CorruptCase{"Empty", [](Bytes& b) { b.clear(); }},
                      CorruptCase{"CountShort", [](Bytes& b) { b.resize(3); }},
                      CorruptCase{"CountTooLarge", [](Bytes& b) { b[0] = 65; }},
                      CorruptCase{"CountHuge", [](Bytes& b) { b[3] = 0xff; }},
                      CorruptCase{"MoreThanThereIs", [](Bytes& b) { b[0] = 2; }},
                      CorruptCase{"Cut", [](Bytes& b) { b.pop_back(); }},
                      CorruptCase{"TrailingByte", [](Bytes& b) { b.push_back(0); }},
                      CorruptCase{"UnknownAction", [](Bytes& b) { b[8] = 3; }},
                      CorruptCase{"SubtypeFlagNotABoolean", [](Bytes& b) { b[12] = 2; }},
                      CorruptCase{"TooManyItems", [](Bytes& b) { b[29] = 65; }},
                      CorruptCase{"UnknownDataType", [](Bytes& b) { b[33] = 6; }},
                      CorruptCase{"ItemTooLarge", [](Bytes& b) { b[38] = 4; }},
                      CorruptCase{"ItemSizeWraps", [](Bytes& b) { b[40] = 0xff; }},
                      CorruptCase{"OversizedRecord",
                                  [](Bytes& b) { b.resize(kMaxTriggersRecordBytes + 1); }}),
    [](const ::testing::TestParamInfo<CorruptCase>& info) { return info.param.name; });

// --- Setup's record and hand-over.

class WindowsTimeHandOverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseServiceControl(&services_);
        UseRegistry(&registry_);
    }
    void TearDown() override {
        UseRegistry(nullptr);
        UseServiceControl(nullptr);
    }
    FakeService& WindowsTime() { return *services_.Find("W32Time"); }
    bool TaskEnabled() { return services_.tasks_enabled.at(kSynchronizeTimeTaskPath); }

    FakeServiceControl services_;
    FakeRegistry registry_;
};

// Windows Time before the hand-over, and what Uninstall will find.
struct HandOverCase {
    const char* name;
    std::uint32_t start_type;
    Triggers triggers;
    bool has_task;
    std::function<void(FakeServiceControl&, FakeRegistry&)> arrange;
    bool recorded;  // a sound record is there afterwards
    WindowsTimeRecord record;
    bool triggers_and_task_kept;
};

class HandOverTableTest : public WindowsTimeHandOverTest,
                          public ::testing::WithParamInterface<HandOverCase> {};

TEST_P(HandOverTableTest, RecordsThenStopsWindowsTimeAndTakesAwayWhatStartsIt) {
    const HandOverCase& c = GetParam();
    FakeService& time = services_.AddService("W32Time");
    time.start_type = c.start_type;
    time.triggers = c.triggers;
    if (c.has_task)
        services_.tasks_enabled[kSynchronizeTimeTaskPath] = true;
    c.arrange(services_, registry_);

    HandOverWindowsTimeService(kKey);

    EXPECT_EQ(time.state, kServiceStopped);
    EXPECT_EQ(time.start_type, kServiceDemandStart);
    EXPECT_EQ(time.display_name, "W32Time");
    EXPECT_EQ(time.triggers, c.triggers_and_task_kept ? c.triggers : Triggers{});
    if (c.has_task)
        EXPECT_EQ(TaskEnabled(), c.triggers_and_task_kept);
    WindowsTimeRecord record;
    ASSERT_EQ(ReadWindowsTimeRecord(kKey, &record), c.recorded);
    if (c.recorded) {
        EXPECT_EQ(record.start_type, c.record.start_type);
        EXPECT_EQ(record.triggers, c.record.triggers);
        EXPECT_EQ(record.task, c.record.task);
    }
    EXPECT_EQ(services_.open_handles(), 0);
}

void Nothing(FakeServiceControl&, FakeRegistry&) {}

WindowsTimeRecord Record(std::uint32_t start_type, Triggers triggers, TaskState task) {
    WindowsTimeRecord record;
    record.start_type = start_type;
    record.triggers = std::move(triggers);
    record.task = task;
    return record;
}

const Triggers kWindowsTriggers{DomainJoinTrigger(), CustomStopTrigger()};
const Triggers kNone;
const WindowsTimeRecord kNoRecord;

INSTANTIATE_TEST_SUITE_P(
    Cases, HandOverTableTest,
    ::testing::Values(
        HandOverCase{"Windows11Default", kServiceDemandStart, kWindowsTriggers, true, Nothing, true,
                     Record(kServiceDemandStart, kWindowsTriggers, TaskState::kEnabled), false},
        HandOverCase{"AutomaticWithoutTriggersOrTask", kServiceAutoStart, kNone, false, Nothing,
                     true, Record(kServiceAutoStart, kNone, TaskState::kMissing), false},
        HandOverCase{"TaskAlreadyDisabled", kServiceAutoStart, kNone, true,
                     [](FakeServiceControl& s, FakeRegistry&) {
                         s.tasks_enabled[kSynchronizeTimeTaskPath] = false;
                     },
                     true, Record(kServiceAutoStart, kNone, TaskState::kDisabled), false},
        // Wine's manager answers 124 for the trigger level.
        HandOverCase{"ManagerWithoutTriggers", kServiceDemandStart, kNone, false,
                     [](FakeServiceControl& s, FakeRegistry&) { s.FailTriggers(124); }, true,
                     Record(kServiceDemandStart, kNone, TaskState::kMissing), false},
        HandOverCase{"NoTaskScheduler", kServiceAutoStart, kWindowsTriggers, false,
                     [](FakeServiceControl& s, FakeRegistry&) { s.FailTasks(1722); }, true,
                     Record(kServiceAutoStart, kWindowsTriggers, TaskState::kMissing), false},
        HandOverCase{"ReinstallKeepsTheFirstRecord", kServiceDemandStart, kNone, true,
                     [](FakeServiceControl&, FakeRegistry&) {
                         KeepWindowsTimeRecordOnce(
                             kKey, Record(kServiceAutoStart, {BareTrigger()}, TaskState::kEnabled));
                     },
                     true, Record(kServiceAutoStart, {BareTrigger()}, TaskState::kEnabled), false},
        // Nothing to give them back from: handed over as before.
        HandOverCase{
            "RecordNotWritten", kServiceDemandStart, kWindowsTriggers, true,
            [](FakeServiceControl&, FakeRegistry& r) { r.FailWritesOf("Windows Time start type"); },
            false, kNoRecord, true},
        HandOverCase{"WindowsTimeUnreadable", kServiceDemandStart, kWindowsTriggers, true,
                     [](FakeServiceControl& s, FakeRegistry&) { s.FailTriggers(5); }, false,
                     kNoRecord, true},
        HandOverCase{"CorruptEarlierRecordStays", kServiceDemandStart, kWindowsTriggers, true,
                     [](FakeServiceControl&, FakeRegistry& r) {
                         r.PutNumber(kMachine, kKey, "Windows Time start type", 3);
                         r.PutNumber(kMachine, kKey, "Windows Time task", 1);
                         r.PutRaw(kMachine, kKey, "Windows Time triggers", kRegBinary, {1, 0});
                     },
                     false, kNoRecord, true}),
    [](const ::testing::TestParamInfo<HandOverCase>& info) { return info.param.name; });

// A record with any value out of its range is no record.
TEST_F(WindowsTimeHandOverTest, ARecordOutOfRangeIsRefused) {
    const WindowsTimeRecord sound = Record(kServiceAutoStart, {BareTrigger()}, TaskState::kEnabled);
    const std::vector<std::function<void()>> spoilers = {
        [&] { registry_.PutNumber(kMachine, kKey, "Windows Time start type", 1); },
        [&] { registry_.PutNumber(kMachine, kKey, "Windows Time start type", 5); },
        [&] { registry_.PutNumber(kMachine, kKey, "Windows Time task", 3); },
        [&] { registry_.PutNumber(kMachine, kKey, "Windows Time task", -1); },
        [&] { registry_.PutNumber(kMachine, kKey, "Windows Time triggers", 0); },
        [&] { registry_.PutText(kMachine, kKey, "Windows Time task", "1"); },
    };
    for (std::size_t i = 0; i < spoilers.size(); ++i) {
        ASSERT_TRUE(KeepWindowsTimeRecordOnce(kKey, sound));
        spoilers[i]();
        WindowsTimeRecord record;
        EXPECT_FALSE(ReadWindowsTimeRecord(kKey, &record)) << i;
        registry_.PutRaw(kMachine, kKey, "Windows Time triggers", kRegBinary, Encoded({}));
        registry_.PutNumber(kMachine, kKey, "Windows Time start type", 2);
        registry_.PutNumber(kMachine, kKey, "Windows Time task", 1);
    }
}

}  // namespace
}  // namespace orvane
