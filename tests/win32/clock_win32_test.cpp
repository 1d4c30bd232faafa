#include "platform/win32/clock_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "protocols/ntp_packet.h"

namespace orvane {
namespace {

TEST(Win32ClockTest, ReadsAndRefuses) {
    Win32Clock clock;
    FileTime now = clock.GetSystemTimeAsFileTime();
    // Some time after 2020.
    EXPECT_GT(now.value, 132223104000000000ULL);
    SystemTime local = clock.GetLocalTime();
    EXPECT_GE(local.wYear, 2020);
    EXPECT_FALSE(clock.ShortDateText(local).empty());
    // An impossible date is refused with 87 and changes nothing.
    SystemTime impossible{2026, 2, 0, 30, 0, 0, 0, 0};
    EXPECT_EQ(clock.SetSystemTime(impossible), kErrorInvalidParameter);
    impossible.wMonth = 13;
    EXPECT_EQ(clock.SetLocalTime(impossible), kErrorInvalidParameter);
}

// Whether SeSystemtimePrivilege is enabled in this process's token now.
bool SystemTimePrivilegeEnabled() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    LUID luid;
    PRIVILEGE_SET set = {};
    set.PrivilegeCount = 1;
    BOOL enabled = FALSE;
    if (LookupPrivilegeValueA(nullptr, "SeSystemtimePrivilege", &luid)) {
        set.Privilege[0].Luid = luid;
        PrivilegeCheck(token, &set, &enabled);
    }
    CloseHandle(token);
    return enabled != FALSE;
}

// The privilege is switched on for a set and off again after it, whether
// the set succeeds (the clock's own time) or fails.
TEST(Win32ClockTest, SettingLeavesThePrivilegeAsItWas) {
    Win32Clock clock;
    const bool before = SystemTimePrivilegeEnabled();
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    SystemTime utc{now.wYear, now.wMonth,  now.wDayOfWeek, now.wDay,
                   now.wHour, now.wMinute, now.wSecond,    now.wMilliseconds};
    EXPECT_EQ(clock.SetSystemTime(utc), 0);
    EXPECT_EQ(SystemTimePrivilegeEnabled(), before);
    SystemTime local = clock.GetLocalTime();
    EXPECT_EQ(clock.SetLocalTime(local), 0);
    EXPECT_EQ(SystemTimePrivilegeEnabled(), before);
}

TEST(Win32ClockTest, NtpTimeAgreesWithTheSystemClock) {
    Win32Clock clock;
    UseClock(&clock);
    SYSTEMTIME utc;
    ::GetSystemTime(&utc);
    SystemTime converted = NtpTimeToCalendar(CurrentNtpTime());
    EXPECT_EQ(converted.wYear, utc.wYear);
    EXPECT_EQ(converted.wMonth, utc.wMonth);
    EXPECT_EQ(converted.wDayOfWeek, utc.wDayOfWeek);
    UseClock(nullptr);
}

}  // namespace
}  // namespace orvane
