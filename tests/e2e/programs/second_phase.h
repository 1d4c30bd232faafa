// Test programs only. A TIME answer carries whole seconds, and the time
// services on this machine read a clock that can lag a few milliseconds
// behind Wine's, so an exchange begun in the first moments of a second may
// hear about the second before. Wine accepts a clock set only within half a
// second of its own time. Beginning a TIME exchange a little into a second
// keeps both effects inside that half second.
#pragma once

#include <windows.h>

inline void WaitForSecondPhase(int from_ms = 100, int to_ms = 250) {
    for (;;) {
        FILETIME ft;
        GetSystemTimeAsFileTime(&ft);
        const ULONGLONG ticks =
            (static_cast<ULONGLONG>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
        const int ms = static_cast<int>(ticks / 10000 % 1000);
        if (ms >= from_ms && ms <= to_ms)
            return;
        Sleep(ms < from_ms ? static_cast<DWORD>(from_ms - ms)
                           : static_cast<DWORD>(1000 - ms + from_ms));
    }
}
