// The real Windows clock.
#pragma once

#include "platform/clock.h"

namespace orvane {

class Win32Clock : public Clock {
  public:
    FileTime GetSystemTimeAsFileTime() override;
    SystemTime GetLocalTime() override;
    int SetSystemTime(const SystemTime& utc) override;
    int SetSystemTimeFrom(const std::function<SystemTime()>& time_to_set) override;
    int SetLocalTime(const SystemTime& local) override;
    bool UtcToLocalTime(const SystemTime& utc, SystemTime* local) override;
    std::uint32_t GetTickCount() override;
    std::string ShortDateText(const SystemTime& time) override;
};

}  // namespace orvane
