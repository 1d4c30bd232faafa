#include "protocols/correction_bounds.h"

#include <atomic>
#include <cstdio>

#include "platform/clock.h"
#include "protocols/ntp_packet.h"

namespace orvane {

namespace {

constexpr std::int64_t kIntervalsPerMs = 10000;  // FILETIME units
constexpr std::int64_t kMsPerDay = 86400000;
// Days from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kDaysFrom1601To1970 = 134774;

// Days since 1970-01-01 of a Gregorian date.
constexpr std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

constexpr int Digit(char c) {
    return c >= '0' && c <= '9' ? c - '0' : -1000000;
}

// The build's date, "YYYY-MM-DD" from the build files, as FILETIME units.
// A constant of the source rather than the compiler's __DATE__, so the same
// source builds the same program on any day.
constexpr std::uint64_t BuildDateFileTime(const char* text) {
    const std::int64_t year =
        Digit(text[0]) * 1000 + Digit(text[1]) * 100 + Digit(text[2]) * 10 + Digit(text[3]);
    const std::int64_t month = Digit(text[5]) * 10 + Digit(text[6]);
    const std::int64_t day = Digit(text[8]) * 10 + Digit(text[9]);
    return static_cast<std::uint64_t>((DaysFromCivil(year, month, day) + kDaysFrom1601To1970) *
                                      kMsPerDay * kIntervalsPerMs);
}

constexpr std::uint64_t kBuildDate = BuildDateFileTime(ORVANE_BUILD_DATE);
static_assert(sizeof(ORVANE_BUILD_DATE) == 11 && ORVANE_BUILD_DATE[4] == '-' &&
                  ORVANE_BUILD_DATE[7] == '-' && kBuildDate > 0,
              "ORVANE_BUILD_DATE must be YYYY-MM-DD");

std::atomic<std::uint64_t> build_date_floor{0};

std::int64_t Magnitude(std::int64_t ms) {
    return ms < 0 ? -ms : ms;
}

}  // namespace

FileTime BuildDateFloor() {
    const std::uint64_t floor = build_date_floor.load();
    return FileTime{floor != 0 ? floor : kBuildDate};
}

void SetBuildDateFloor(FileTime floor) {
    build_date_floor.store(floor.value);
}

std::string CorrectionAmountText(std::int64_t correction_ms) {
    const std::int64_t ms = Magnitude(correction_ms);
    const std::int64_t seconds = (ms + 500) / 1000;
    char text[64];
    std::snprintf(text, sizeof text, "%lld days %02d:%02d:%02d",
                  static_cast<long long>(seconds / 86400), static_cast<int>(seconds / 3600 % 24),
                  static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
    return text;
}

std::string CorrectionQuestionText(std::int64_t correction_ms) {
    return "The time server's clock differs from this PC's clock by " +
           CorrectionAmountText(correction_ms) + ".  Set the clock to the server's time?";
}

namespace {

constexpr char kRefusalStart[] = "Correction of ";
constexpr char kRefusalMiddle[] = " refused: larger than the largest allowed correction of ";

}  // namespace

bool IsCorrectionRefusalText(const std::string& text) {
    return text == kBeforeBuildDateText ||
           (text.rfind(kRefusalStart, 0) == 0 && text.find(kRefusalMiddle) != std::string::npos);
}

CorrectionDecision DecideCorrection(const CorrectionRules& rules, std::int64_t correction_ms,
                                    FileTime now) {
    CorrectionDecision decision;
    decision.correction_ms = correction_ms;
    const std::int64_t new_time =
        static_cast<std::int64_t>(now.value / kIntervalsPerMs) + correction_ms;
    if (new_time < static_cast<std::int64_t>(BuildDateFloor().value / kIntervalsPerMs)) {
        decision.verdict = CorrectionVerdict::kBeforeBuildDate;
        decision.text = kBeforeBuildDateText;
        return decision;
    }
    const std::int64_t largest_ms = static_cast<std::int64_t>(rules.largest_correction_s) * 1000;
    if (rules.largest_correction_s == 0 || Magnitude(correction_ms) <= largest_ms)
        return decision;
    switch (rules.round) {
        case CorrectionRound::kAutomatic:
            if (rules.first_round_allowance)
                return decision;
            break;
        case CorrectionRound::kManual:
            if (!rules.confirmed)
                decision.verdict = CorrectionVerdict::kAsk;
            return decision;
        case CorrectionRound::kBroadcast:
            break;
    }
    decision.verdict = CorrectionVerdict::kTooLarge;
    decision.text = kRefusalStart + CorrectionAmountText(correction_ms) + kRefusalMiddle +
                    CorrectionAmountText(largest_ms);
    return decision;
}

CorrectionDecision DecideCorrectionNow(const CorrectionRules& rules, std::int64_t correction_ms) {
    return DecideCorrection(rules, correction_ms, TheClock().GetSystemTimeAsFileTime());
}

std::int64_t NtpCorrectionMs(std::uint64_t server_time, std::uint64_t local_time) {
    // Each read in its era, as NtpTimeToCalendar reads it: top bit clear is
    // 2036 onwards.
    const auto in_ms = [](std::uint64_t host) {
        const auto seconds32 = static_cast<std::uint32_t>(host >> 32);
        std::int64_t seconds = seconds32;
        if ((seconds32 & 0x80000000u) == 0)
            seconds += 0x100000000LL;
        const std::int64_t fraction_ms =
            static_cast<std::int64_t>((host & 0xFFFFFFFFu) * 1000 >> 32);
        return seconds * 1000 + fraction_ms;
    };
    return in_ms(server_time) - in_ms(local_time);
}

int SetClockByCorrection(std::int64_t correction_ms) {
    Clock& clock = TheClock();
    return clock.SetSystemTimeFrom([&clock, correction_ms] {
        // Half a millisecond more: the calendar conversion truncates.
        const std::int64_t now = static_cast<std::int64_t>(clock.GetSystemTimeAsFileTime().value);
        const std::int64_t target = now + correction_ms * kIntervalsPerMs + kIntervalsPerMs / 2;
        return NtpTimeToCalendar(NtpTimeFromFileTime(FileTime{static_cast<std::uint64_t>(target)}));
    });
}

}  // namespace orvane
