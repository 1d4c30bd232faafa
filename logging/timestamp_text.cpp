#include "logging/timestamp_text.h"

#include <cstdio>

#include "platform/clock.h"
#include "platform/unicode_text.h"

namespace orvane {

namespace {

constexpr std::size_t kMaxDateText = 500;

std::string DateText(const SystemTime& time) {
    // The system's date buffer counts UTF-16 units.
    return CutToUtf16Units(TheClock().ShortDateText(time), kMaxDateText);
}

}  // namespace

std::string TimestampText(const SystemTime& time) {
    char clock_text[32];
    std::snprintf(clock_text, sizeof clock_text, " %02d:%02d:%02d.%03d", time.wHour, time.wMinute,
                  time.wSecond, time.wMilliseconds);
    return DateText(time) + clock_text;
}

std::string ShortTimestampText(const SystemTime& time) {
    char clock_text[32];
    std::snprintf(clock_text, sizeof clock_text, " %02d:%02d:%02d", time.wHour, time.wMinute,
                  time.wSecond);
    return DateText(time) + clock_text;
}

}  // namespace orvane
