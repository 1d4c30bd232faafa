#include "logging/timestamp_text.h"

#include <gtest/gtest.h>

#include "support/fake_clock.h"

namespace orvane {
namespace {

TEST(TimestampTextTest, BothForms) {
    FakeClock clock;
    UseClock(&clock);
    clock.SetDateText("12/7/2026");
    SystemTime t{2026, 12, 1, 7, 9, 5, 7, 42};
    EXPECT_EQ(TimestampText(t), "12/7/2026 09:05:07.042");
    EXPECT_EQ(ShortTimestampText(t), "12/7/2026 09:05:07");
    t.wMilliseconds = 1000;
    EXPECT_EQ(TimestampText(t), "12/7/2026 09:05:07.1000");
    // An overlong date text is cut at 500 characters.
    clock.SetDateText(std::string(600, 'd'));
    EXPECT_EQ(ShortTimestampText(t), std::string(500, 'd') + " 09:05:07");
    // Characters, not bytes: 500 two-byte ones stay whole.
    std::string cyrillic;
    for (int i = 0; i < 600; ++i)
        cyrillic += "\u0416";
    clock.SetDateText(cyrillic);
    EXPECT_EQ(ShortTimestampText(t), cyrillic.substr(0, 1000) + " 09:05:07");
    UseClock(nullptr);
}

}  // namespace
}  // namespace orvane
