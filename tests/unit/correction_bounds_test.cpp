#include "protocols/correction_bounds.h"

#include <gtest/gtest.h>

#include "protocols/ntp_packet.h"
#include "support/fake_clock.h"

namespace orvane {
namespace {

constexpr std::int64_t kDayMs = 86400000;
constexpr std::int64_t kLimitMs = 172800000;  // the default, 48 hours
const std::string kTooLargeJustOutside =
    "Correction of 2 days 00:00:01 refused: larger than the largest allowed correction of "
    "2 days 00:00:00";
constexpr std::int64_t kJustOutsideMs = kLimitMs + 500;

CorrectionRules Rules(CorrectionRound round, std::uint32_t largest_s = 172800,
                      bool allowance = false, bool confirmed = false) {
    CorrectionRules rules;
    rules.round = round;
    rules.largest_correction_s = largest_s;
    rules.first_round_allowance = allowance;
    rules.confirmed = confirmed;
    return rules;
}

// A clock reading some years after the build.
FileTime LongAfterTheBuild() {
    return FileTime{BuildDateFloor().value + 4000ULL * kDayMs * 10000};
}

TEST(CorrectionBoundsTest, TheDecisionFollowsTheRoundTheBoundAndTheAllowance) {
    using R = CorrectionRound;
    using V = CorrectionVerdict;
    struct Case {
        const char* what;
        CorrectionRules rules;
        std::int64_t correction_ms;
        V verdict;
    };
    const Case cases[] = {
        {"automatic, at the bound", Rules(R::kAutomatic), kLimitMs, V::kApply},
        {"automatic, back by the bound", Rules(R::kAutomatic), -kLimitMs, V::kApply},
        {"automatic, just beyond", Rules(R::kAutomatic), kLimitMs + 1, V::kTooLarge},
        {"automatic, just beyond, back", Rules(R::kAutomatic), -kLimitMs - 1, V::kTooLarge},
        {"broadcast, at the bound", Rules(R::kBroadcast), kLimitMs, V::kApply},
        {"broadcast, just beyond", Rules(R::kBroadcast), kLimitMs + 1, V::kTooLarge},
        {"no limit, automatic", Rules(R::kAutomatic, 0), 3650 * kDayMs, V::kApply},
        {"no limit, broadcast", Rules(R::kBroadcast, 0), -3650 * kDayMs, V::kApply},
        {"another bound", Rules(R::kAutomatic, 60), 60001, V::kTooLarge},
        {"first automatic round", Rules(R::kAutomatic, 172800, true), 3650 * kDayMs, V::kApply},
        {"no allowance for broadcasts", Rules(R::kBroadcast, 172800, true), kLimitMs + 1,
         V::kTooLarge},
        {"manual, inside", Rules(R::kManual), kLimitMs, V::kApply},
        {"manual, beyond: asked", Rules(R::kManual), kLimitMs + 1, V::kAsk},
        {"manual, beyond, confirmed", Rules(R::kManual, 172800, false, true), 3 * kDayMs,
         V::kApply},
    };
    for (const Case& c : cases) {
        const CorrectionDecision d = DecideCorrection(c.rules, c.correction_ms, LongAfterTheBuild());
        EXPECT_EQ(d.verdict, c.verdict) << c.what;
        EXPECT_EQ(d.correction_ms, c.correction_ms) << c.what;
        EXPECT_EQ(d.text.empty(), c.verdict == V::kApply || c.verdict == V::kAsk) << c.what;
    }
    EXPECT_EQ(DecideCorrection(Rules(R::kAutomatic), kJustOutsideMs, LongAfterTheBuild()).text,
              kTooLargeJustOutside);
}

// Checked first: no round, allowance, confirmation or limit sets a time
// before the build, and nobody is asked about one.
TEST(CorrectionBoundsTest, ATimeBeforeTheBuildIsNeverSet) {
    using R = CorrectionRound;
    const FileTime a_day_after_the_build{BuildDateFloor().value + kDayMs * 10000};
    for (const CorrectionRules& rules :
         {Rules(R::kAutomatic), Rules(R::kAutomatic, 0, true), Rules(R::kBroadcast, 0),
          Rules(R::kManual), Rules(R::kManual, 0, false, true)}) {
        for (const std::int64_t correction : {-kDayMs - 1, -5 * kDayMs}) {
            const CorrectionDecision d =
                DecideCorrection(rules, correction, a_day_after_the_build);
            EXPECT_EQ(d.verdict, CorrectionVerdict::kBeforeBuildDate) << correction;
            EXPECT_EQ(d.text, "Server's time is before this program was built");
        }
        // The build day itself is after the build.
        EXPECT_EQ(DecideCorrection(rules, -kDayMs, a_day_after_the_build).verdict,
                  CorrectionVerdict::kApply);
    }
}

TEST(CorrectionBoundsTest, AmountsReadAsDaysAndClockTimeToTheNearestSecond) {
    struct Case {
        std::int64_t ms;
        const char* text;
    };
    for (const Case& c : {Case{0, "0 days 00:00:00"}, Case{499, "0 days 00:00:00"},
                          Case{-500, "0 days 00:00:01"}, Case{1000, "0 days 00:00:01"},
                          Case{-90061000, "1 days 01:01:01"}, Case{3 * kDayMs, "3 days 00:00:00"},
                          Case{kDayMs - 1, "1 days 00:00:00"},
                          Case{400 * 365 * kDayMs, "146000 days 00:00:00"}}) {
        EXPECT_EQ(CorrectionAmountText(c.ms), c.text) << c.ms;
    }
    EXPECT_EQ(CorrectionQuestionText(3 * kDayMs + 5000),
              "The time server's clock differs from this PC's clock by 3 days 00:00:05.  Set the "
              "clock to the server's time?");
}

TEST(CorrectionBoundsTest, RefusalTextsAreToldFromOtherFailures) {
    EXPECT_TRUE(IsCorrectionRefusalText(kBeforeBuildDateText));
    EXPECT_TRUE(IsCorrectionRefusalText(kTooLargeJustOutside));
    for (const char* other : {"", "Server's clock is not synchronised", "Correction of",
                              "No response from server within 2000 milliseconds"}) {
        EXPECT_FALSE(IsCorrectionRefusalText(other)) << other;
    }
}

// Host-form times, each read in its era as the calendar conversion reads
// it.
TEST(CorrectionBoundsTest, NtpCorrectionsHoldAcrossTheEraBoundary) {
    const std::uint64_t second = 1ULL << 32;
    const std::uint64_t last_of_era_0 = 0xFFFFFFFFULL << 32;
    struct Case {
        std::uint64_t server;
        std::uint64_t local;
        std::int64_t ms;
    };
    for (const Case& c : {Case{100 * second, 100 * second, 0},
                          Case{0xE0000000ULL * second + second / 2, 0xE0000000ULL * second, 500},
                          Case{0xE0000000ULL * second, 0xE0000000ULL * second + 3 * second, -3000},
                          Case{2 * second, last_of_era_0, 3000},
                          Case{last_of_era_0, 2 * second, -3000}}) {
        EXPECT_EQ(NtpCorrectionMs(c.server, c.local), c.ms) << c.server << " " << c.local;
    }
}

TEST(CorrectionBoundsTest, AConfirmedCorrectionMovesTheClockAsItReadsThen) {
    FakeClock clock;
    UseClock(&clock);
    // 2003-02-21 00:00:00.250 UTC, three days and a half second ahead.
    clock.SetFileTime(kFileTimeOf1900 + 3254774400ULL * 10000000ULL + 2500000ULL);
    EXPECT_EQ(SetClockByCorrection(3 * kDayMs + 500), 0);
    ASSERT_EQ(clock.system_times_set().size(), 1u);
    EXPECT_EQ(clock.system_times_set()[0], (SystemTime{2003, 2, 1, 24, 0, 0, 0, 750}));
    clock.FailSettersWith(1314);
    EXPECT_EQ(SetClockByCorrection(1000), 1314);
    UseClock(nullptr);
}

}  // namespace
}  // namespace orvane
