// The system clock as the core sees it. The program installs the real
// clock at start; unit tests install a fake.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock_types.h"
#include "platform/interface_slot.h"

namespace orvane {

class Clock {
  public:
    virtual ~Clock() = default;

    virtual FileTime GetSystemTimeAsFileTime() = 0;
    virtual SystemTime GetLocalTime() = 0;
    // Both setters return 0 on success, else the OS error code
    // (87 for an impossible date or time).
    virtual int SetSystemTime(const SystemTime& utc) = 0;
    virtual int SetLocalTime(const SystemTime& local) = 0;
    // Sets the UTC time `time_to_set` returns, calling it once as late as
    // possible: after the right to set the clock is taken up, which can take
    // milliseconds that a time computed before would lose.
    virtual int SetSystemTimeFrom(const std::function<SystemTime()>& time_to_set) {
        return SetSystemTime(time_to_set());
    }
    // The local calendar time of a UTC time, by the machine's time zone and
    // daylight-saving rules; false when the OS cannot convert it.
    virtual bool UtcToLocalTime(const SystemTime& utc, SystemTime* local) = 0;
    // Milliseconds since the machine started, wrapping at 2^32.
    virtual std::uint32_t GetTickCount() = 0;
    // The date in the user's short date format (at most 500 characters).
    virtual std::string ShortDateText(const SystemTime& time) = 0;
};

inline InterfaceSlot<Clock> installed_clock{"clock"};
inline void UseClock(Clock* implementation) {
    installed_clock.Install(implementation);
}
inline Clock& TheClock() {
    return installed_clock.Get();
}

}  // namespace orvane
