// Clock records shaped like the Windows FILETIME and SYSTEMTIME, so the
// portable core can do its arithmetic without OS headers.
#pragma once

#include <cstdint>

#include "platform/os_errors.h"

namespace orvane {

// 100-nanosecond intervals since 1601-01-01 00:00:00 UTC.
struct FileTime {
    std::uint64_t value = 0;
};

// Same fields and units as SYSTEMTIME (wDayOfWeek 0 = Sunday).
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

inline bool operator==(const SystemTime& a, const SystemTime& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDayOfWeek == b.wDayOfWeek &&
           a.wDay == b.wDay && a.wHour == b.wHour && a.wMinute == b.wMinute &&
           a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}
inline bool operator!=(const SystemTime& a, const SystemTime& b) {
    return !(a == b);
}

}  // namespace orvane
