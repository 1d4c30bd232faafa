// An in-memory clock for unit tests: never touches the host clock.
#pragma once

#include <mutex>
#include <vector>

#include "platform/clock.h"

namespace orvane {

// True when Windows would accept the record in SetSystemTime/SetLocalTime.
bool IsValidSystemTime(const SystemTime& t);

class FakeClock : public Clock {
  public:
    FileTime GetSystemTimeAsFileTime() override;
    SystemTime GetLocalTime() override;
    int SetSystemTime(const SystemTime& utc) override;
    int SetLocalTime(const SystemTime& local) override;
    bool UtcToLocalTime(const SystemTime& utc, SystemTime* local) override;
    std::uint32_t GetTickCount() override;
    std::string ShortDateText(const SystemTime& time) override;

    // Test controls.
    void SetFileTime(std::uint64_t value);
    void SetLocal(const SystemTime& local);
    void SetTicks(std::uint32_t ticks, std::uint32_t step_per_read = 0);
    // A non-zero code makes the next setters fail with it (after the
    // impossible-date check, as Windows does).
    void FailSettersWith(int code);
    void SetDateText(const std::string& text);
    // The fake time zone: local = UTC + offset (no daylight saving). A
    // failing conversion stands for an OS that cannot convert the time.
    void SetTimeZoneOffsetMinutes(int minutes);
    void FailLocalTimeConversion(bool fail);

    std::vector<SystemTime> system_times_set() const;
    std::vector<SystemTime> local_times_set() const;

  private:
    mutable std::mutex mutex_;
    std::uint64_t file_time_ = 0;
    SystemTime local_{};
    std::uint32_t ticks_ = 0;
    std::uint32_t tick_step_ = 0;
    int setter_error_ = 0;
    std::string date_text_ = "DATE";
    int zone_offset_minutes_ = 0;
    bool fail_local_conversion_ = false;
    std::vector<SystemTime> system_times_set_;
    std::vector<SystemTime> local_times_set_;
};

}  // namespace orvane
