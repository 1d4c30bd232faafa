#include <windows.h>

#include <cstdio>
#include <mutex>

#include "platform/win32/clock_win32.h"
#include "platform/win32/system_library.h"
#include "platform/win32/wide_text.h"

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

// Setting the clock needs SeSystemtimePrivilege enabled in the process
// token, not just held: this enables it for one set and then puts back what
// was there before. A token without the privilege is left as it is, and the
// set then fails with 1314. One set at a time, so one thread's restore
// cannot disable the privilege under another thread's set.
class SystemTimePrivilege {
  public:
    SystemTimePrivilege() : lock_(Mutex()) {
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                              &token_)) {
            token_ = nullptr;
            return;
        }
        TOKEN_PRIVILEGES wanted = {};
        wanted.PrivilegeCount = 1;
        wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
        if (!LookupPrivilegeValueW(nullptr, L"SeSystemtimePrivilege", &wanted.Privileges[0].Luid))
            return;
        DWORD length = sizeof previous_;
        // Succeeds with ERROR_NOT_ALL_ASSIGNED when the token lacks it.
        if (AdjustTokenPrivileges(token_, FALSE, &wanted, sizeof previous_, &previous_, &length) &&
            GetLastError() == ERROR_SUCCESS) {
            restore_ = true;
        }
    }
    ~SystemTimePrivilege() {
        if (restore_)
            AdjustTokenPrivileges(token_, FALSE, &previous_, 0, nullptr, nullptr);
        if (token_ != nullptr)
            CloseHandle(token_);
    }
    SystemTimePrivilege(const SystemTimePrivilege&) = delete;
    SystemTimePrivilege& operator=(const SystemTimePrivilege&) = delete;

  private:
    static std::mutex& Mutex() {
        static std::mutex* mutex = new std::mutex;  // never destroyed: threads set at exit
        return *mutex;
    }

    std::lock_guard<std::mutex> lock_;
    HANDLE token_ = nullptr;
    TOKEN_PRIVILEGES previous_ = {};
    bool restore_ = false;
};

}  // namespace

FileTime Win32Clock::GetSystemTimeAsFileTime() {
    // Windows 8 and later read the clock to under a microsecond; the plain
    // call moves in steps of up to 15.6 ms, too coarse for the exchange's
    // timestamps. Looked up at run time, so older systems still start.
    using PreciseFunction = VOID(WINAPI*)(LPFILETIME);
    static const PreciseFunction precise =
        reinterpret_cast<PreciseFunction>(reinterpret_cast<void*>(
            LoadedModuleFunction(L"kernel32.dll", "GetSystemTimePreciseAsFileTime")));
    FILETIME ft;
    if (precise != nullptr)
        precise(&ft);
    else
        ::GetSystemTimeAsFileTime(&ft);
    return FileTime{(static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime};
}

SystemTime Win32Clock::GetLocalTime() {
    SYSTEMTIME s;
    ::GetLocalTime(&s);
    return FromWin32(s);
}

int Win32Clock::SetSystemTime(const SystemTime& utc) {
    return SetSystemTimeFrom([&utc] { return utc; });
}

int Win32Clock::SetSystemTimeFrom(const std::function<SystemTime()>& time_to_set) {
    SystemTimePrivilege privilege;
    SYSTEMTIME s = ToWin32(time_to_set());
    if (::SetSystemTime(&s))
        return 0;
    return static_cast<int>(::GetLastError());
}

int Win32Clock::SetLocalTime(const SystemTime& local) {
    SYSTEMTIME s = ToWin32(local);
    SystemTimePrivilege privilege;
    if (!::SetLocalTime(&s))
        return static_cast<int>(::GetLastError());
    // The first call converts with the daylight-saving state of the time
    // before the change; across a change of that state it lands an hour
    // off, and the second call, converting with the new state, corrects it.
    if (!::SetLocalTime(&s))
        return static_cast<int>(::GetLastError());
    return 0;
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
    // The W call: a locale's month and day names in any script.
    wchar_t text[501] = L"";
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, 0, &s, nullptr, text, 500) == 0) {
        // No usable locale: a plain numeric date stands in.
        char numeric[32];
        std::snprintf(numeric, sizeof numeric, "%04d-%02d-%02d", time.wYear, time.wMonth,
                      time.wDay);
        return numeric;
    }
    return Narrow(text, 500);
}

}  // namespace orvane
