#include <windows.h>

#include "platform/win32/clock_win32.h"

namespace orvane {

namespace {

SYSTEMTIME ToWin32(const SystemTime& t) {
    SYSTEMTIME s;
    s.wYear = t.wYear;
    s.wMonth = t.wMonth;
    s.wDayOfWeek = t.wDayOfWeek;
    s.wDay = t.wDay;
    s.wHour = t.wHour;
    s.wMinute = t.wMinute;
    s.wSecond = t.wSecond;
    s.wMilliseconds = t.wMilliseconds;
    return s;
}

SystemTime FromWin32(const SYSTEMTIME& s) {
    SystemTime t;
    t.wYear = s.wYear;
    t.wMonth = s.wMonth;
    t.wDayOfWeek = s.wDayOfWeek;
    t.wDay = s.wDay;
    t.wHour = s.wHour;
    t.wMinute = s.wMinute;
    t.wSecond = s.wSecond;
    t.wMilliseconds = s.wMilliseconds;
    return t;
}

}  // namespace

FileTime Win32Clock::GetSystemTimeAsFileTime() {
    FILETIME ft;
    ::GetSystemTimeAsFileTime(&ft);
    return FileTime{(static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime};
}

SystemTime Win32Clock::GetLocalTime() {
    SYSTEMTIME s;
    ::GetLocalTime(&s);
    return FromWin32(s);
}

int Win32Clock::SetSystemTime(const SystemTime& utc) {
    SYSTEMTIME s = ToWin32(utc);
    if (::SetSystemTime(&s))
        return 0;
    return static_cast<int>(::GetLastError());
}

int Win32Clock::SetLocalTime(const SystemTime& local) {
    SYSTEMTIME s = ToWin32(local);
    if (::SetLocalTime(&s))
        return 0;
    return static_cast<int>(::GetLastError());
}

bool Win32Clock::UtcToLocalTime(const SystemTime& utc, SystemTime* local) {
    SYSTEMTIME u = ToWin32(utc);
    SYSTEMTIME l;
    if (!::SystemTimeToTzSpecificLocalTime(nullptr, &u, &l))
        return false;
    *local = FromWin32(l);
    return true;
}

std::uint32_t Win32Clock::GetTickCount() {
    return ::GetTickCount();
}

std::string Win32Clock::ShortDateText(const SystemTime& time) {
    SYSTEMTIME s = ToWin32(time);
    char text[501] = "";
    if (::GetDateFormatA(LOCALE_USER_DEFAULT, 0, &s, nullptr, text, 500) == 0) {
        // No usable locale: a plain numeric date stands in.
        wsprintfA(text, "%04d-%02d-%02d", time.wYear, time.wMonth, time.wDay);
    }
    return text;
}

}  // namespace orvane
