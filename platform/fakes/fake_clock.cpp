#include "platform/fakes/fake_clock.h"

namespace orvane {

bool IsValidSystemTime(const SystemTime& t) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (t.wYear < 1601 || t.wYear > 30827) return false;
    if (t.wMonth < 1 || t.wMonth > 12) return false;
    bool leap = (t.wYear % 4 == 0 && t.wYear % 100 != 0) || t.wYear % 400 == 0;
    int days = kDays[t.wMonth - 1] + (t.wMonth == 2 && leap ? 1 : 0);
    if (t.wDay < 1 || t.wDay > days) return false;
    return t.wHour < 24 && t.wMinute < 60 && t.wSecond < 60 && t.wMilliseconds < 1000;
}

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
    if (!IsValidSystemTime(utc)) return kErrorInvalidParameter;
    if (setter_error_ != 0) return setter_error_;
    system_times_set_.push_back(utc);
    return 0;
}

int FakeClock::SetLocalTime(const SystemTime& local) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsValidSystemTime(local)) return kErrorInvalidParameter;
    if (setter_error_ != 0) return setter_error_;
    local_times_set_.push_back(local);
    return 0;
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

std::vector<SystemTime> FakeClock::system_times_set() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return system_times_set_;
}

std::vector<SystemTime> FakeClock::local_times_set() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return local_times_set_;
}

}  // namespace orvane
