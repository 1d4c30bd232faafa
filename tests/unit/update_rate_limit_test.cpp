#include "service/update_rate_limit.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(UpdateRateLimitTest, FourExchangesInAMinuteThenNoneUntilTheFirstLeavesTheWindow) {
    UpdateRateLimit limit;
    const std::uint64_t start = 1000000;
    EXPECT_TRUE(limit.TryTake(start));
    EXPECT_TRUE(limit.TryTake(start + 10000));
    EXPECT_TRUE(limit.TryTake(start + 20000));
    EXPECT_TRUE(limit.TryTake(start + 30000));
    EXPECT_FALSE(limit.TryTake(start + 30001));
    EXPECT_FALSE(limit.TryTake(start + 59999));
    // A refusal counts nothing: the first exchange leaves the window at
    // exactly 60 s, and one more fits.
    EXPECT_EQ(limit.CountAt(start + 59999), 4);
    EXPECT_TRUE(limit.TryTake(start + 60000));
    EXPECT_FALSE(limit.TryTake(start + 69999));
    EXPECT_TRUE(limit.TryTake(start + 70000));
    EXPECT_EQ(limit.CountAt(start + 70000), 4);
}

TEST(UpdateRateLimitTest, TheWindowSlidesRatherThanStartingAfresh) {
    UpdateRateLimit limit;
    // Four at the end of one minute: the start of the next still counts them.
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(limit.TryTake(59000 + i));
    EXPECT_FALSE(limit.TryTake(61000));
    EXPECT_FALSE(limit.TryTake(118999));
    EXPECT_TRUE(limit.TryTake(119000));
    EXPECT_EQ(limit.CountAt(119003), 1);
    EXPECT_EQ(limit.CountAt(179000), 0);
}

TEST(UpdateRateLimitTest, AClockThatGoesBackKeepsWhatWasCounted) {
    UpdateRateLimit limit;
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(limit.TryTake(500000));
    EXPECT_FALSE(limit.TryTake(1000));
}

}  // namespace
}  // namespace orvane
