#include "logging/timestamp_text.h"

#include <cstdio>

#include "platform/clock.h"

namespace orvane {

namespace {

constexpr std::size_t kMaxDateText = 500;

std::string DateText(const SystemTime& time) {
    std::string date = TheClock().ShortDateText(time);
    if (date.size() > kMaxDateText)
        date.resize(kMaxDateText);
    return date;
}

}  // namespace

std::string TimestampText(const SystemTime& time) {
    std::string date = DateText(time);
    char text[kMaxDateText + 64];
    std::snprintf(text, sizeof text, "%s %02d:%02d:%02d.%03d", date.c_str(), time.wHour,
                  time.wMinute, time.wSecond, time.wMilliseconds);
    return text;
}

std::string ShortTimestampText(const SystemTime& time) {
    std::string date = DateText(time);
    char text[kMaxDateText + 64];
    std::snprintf(text, sizeof text, "%s %02d:%02d:%02d", date.c_str(), time.wHour, time.wMinute,
                  time.wSecond);
    return text;
}

}  // namespace orvane
