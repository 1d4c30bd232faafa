#include "support/fake_clock.h"

namespace orvane {

bool IsValidSystemTime(const SystemTime& t) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.wYear < 1601 || t.wYear > 30827)
        return false;
    if (t.wMonth < 1 || t.wMonth > 12)
        return false;
    bool leap = (t.wYear % 4 == 0 && t.wYear % 100 != 0) || t.wYear % 400 == 0;
    int days = kDays[t.wMonth - 1] + (t.wMonth == 2 && leap ? 1 : 0);
    if (t.wDay < 1 || t.wDay > days)
        return false;
    return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

namespace {

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t* y, std::int64_t* m, std::int64_t* d) {
    z += 719468;
    std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    std::int64_t doe = z - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    *d = doy - (153 * mp + 2) / 5 + 1;
    *m = mp < 10 ? mp + 3 : mp - 9;
    *y = yoe + era * 400 + (*m <= 2 ? 1 : 0);
}

}  // namespace

FileTime FakeClock::GetSystemTimeAsFileTime() {
    std::lock_guard<std::mutex> lock(mutex_);
    return FileTime{file_time_};
}

SystemTime FakeClock::GetLocalTime() {
    std::lock_guard<std::mutex> lock(mutex_);
    return local_;
}

int FakeClock::SetSystemTime(const SystemTime& utc) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsValidSystemTime(utc))
        return kErrorInvalidParameter;
    if (setter_error_ != 0)
        return setter_error_;
    system_times_set_.push_back(utc);
    return 0;
}

int FakeClock::SetLocalTime(const SystemTime& local) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsValidSystemTime(local))
        return kErrorInvalidParameter;
    if (setter_error_ != 0)
        return setter_error_;
    local_times_set_.push_back(local);
    return 0;
}

bool FakeClock::UtcToLocalTime(const SystemTime& utc, SystemTime* local) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (fail_local_conversion_ || !IsValidSystemTime(utc))
        return false;
    std::int64_t seconds = DaysFromCivil(utc.wYear, utc.wMonth, utc.wDay) * 86400 +
                           utc.wHour * 3600 + utc.wMinute * 60 + utc.wSecond +
                           static_cast<std::int64_t>(zone_offset_minutes_) * 60;
    std::int64_t days = seconds >= 0 ? seconds / 86400 : -((-seconds + 86399) / 86400);
    std::int64_t in_day = seconds - days * 86400;
    std::int64_t y, m, d;
    CivilFromDays(days, &y, &m, &d);
    SystemTime t;
    t.wYear = static_cast<std::uint16_t>(y);
    t.wMonth = static_cast<std::uint16_t>(m);
    t.wDay = static_cast<std::uint16_t>(d);
    // 1970-01-01 was a Thursday.
    t.wDayOfWeek = static_cast<std::uint16_t>(((days % 7) + 11) % 7);
    t.wHour = static_cast<std::uint16_t>(in_day / 3600);
    t.wMinute = static_cast<std::uint16_t>(in_day / 60 % 60);
    t.wSecond = static_cast<std::uint16_t>(in_day % 60);
    t.wMilliseconds = utc.wMilliseconds;
    if (!IsValidSystemTime(t))
        return false;
    *local = t;
    return true;
}

std::uint32_t FakeClock::GetTickCount() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::uint32_t now = ticks_;
    ticks_ += tick_step_;
    return now;
}

std::string FakeClock::ShortDateText(const SystemTime&) {
    std::lock_guard<std::mutex> lock(mutex_);
    return date_text_;
}

void FakeClock::SetFileTime(std::uint64_t value) {
    std::lock_guard<std::mutex> lock(mutex_);
    file_time_ = value;
}

void FakeClock::SetLocal(const SystemTime& local) {
    std::lock_guard<std::mutex> lock(mutex_);
    local_ = local;
}

void FakeClock::SetTicks(std::uint32_t ticks, std::uint32_t step_per_read) {
    std::lock_guard<std::mutex> lock(mutex_);
    ticks_ = ticks;
    tick_step_ = step_per_read;
}

void FakeClock::FailSettersWith(int code) {
    std::lock_guard<std::mutex> lock(mutex_);
    setter_error_ = code;
}

void FakeClock::SetDateText(const std::string& text) {
    std::lock_guard<std::mutex> lock(mutex_);
    date_text_ = text;
}

void FakeClock::SetTimeZoneOffsetMinutes(int minutes) {
    std::lock_guard<std::mutex> lock(mutex_);
    zone_offset_minutes_ = minutes;
}

void FakeClock::FailLocalTimeConversion(bool fail) {
    std::lock_guard<std::mutex> lock(mutex_);
    fail_local_conversion_ = fail;
}

std::vector<SystemTime> FakeClock::system_times_set() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return system_times_set_;
}

std::vector<SystemTime> FakeClock::local_times_set() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return local_times_set_;
}

}  // namespace orvane
