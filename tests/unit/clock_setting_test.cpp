#include "service/clock_setting.h"

#include <gtest/gtest.h>

#include "settings/settings_store.h"
#include "support/fake_process_privileges.h"
#include "support/fake_registry.h"

namespace orvane {
namespace {

TEST(ClockSettingTest, ThePathForEachSettingWithAndWithoutThePrivilege) {
    struct Case {
        std::int32_t setting;
        bool privilege;
        ClockPath path;
    };
    const Case cases[] = {
        {0, true, ClockPath::kItself},
        {0, false, ClockPath::kThroughService},
        {1, true, ClockPath::kItself},
        {1, false, ClockPath::kItself},
        {2, true, ClockPath::kThroughService},
        {2, false, ClockPath::kThroughService},
        // Anything else counts as automatic.
        {3, false, ClockPath::kThroughService},
        {-1, true, ClockPath::kItself},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.setting << " " << c.privilege);
        EXPECT_EQ(ChooseClockPath(c.setting, c.privilege), c.path);
    }
}

class CurrentClockPathTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseRegistry(&registry_);
        UseProcessPrivileges(&token_);
    }
    void TearDown() override {
        UseRegistry(nullptr);
        UseProcessPrivileges(nullptr);
    }
    void Set(std::int32_t value) {
        registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, "Clock setting", value);
    }

    FakeRegistry registry_;
    FakeProcessPrivileges token_;
};

TEST_F(CurrentClockPathTest, NoSettingIsAutomaticAndAsksTheToken) {
    token_.holds_systemtime = false;
    EXPECT_EQ(ReadClockSetting(), 0);
    EXPECT_EQ(CurrentClockPath(), ClockPath::kThroughService);
    token_.holds_systemtime = true;
    EXPECT_EQ(CurrentClockPath(), ClockPath::kItself);
    EXPECT_EQ(token_.queries, 2);
}

TEST_F(CurrentClockPathTest, AFixedChoiceIsTakenWhateverTheTokenHolds) {
    token_.holds_systemtime = true;
    Set(2);
    EXPECT_EQ(CurrentClockPath(), ClockPath::kThroughService);
    token_.holds_systemtime = false;
    Set(1);
    EXPECT_EQ(CurrentClockPath(), ClockPath::kItself);
    EXPECT_EQ(token_.queries, 0);
    Set(0);
    EXPECT_EQ(CurrentClockPath(), ClockPath::kThroughService);
}

TEST_F(CurrentClockPathTest, OnlyTheMachineHiveCounts) {
    registry_.PutNumber(RegistryScope::kUser, kSettingsKeyPath, "Clock setting", 1);
    token_.holds_systemtime = false;
    EXPECT_EQ(CurrentClockPath(), ClockPath::kThroughService);
}

}  // namespace
}  // namespace orvane
