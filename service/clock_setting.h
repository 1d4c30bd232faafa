// Which way a program sets the clock, by the machine setting
// `Clock setting` (DWORD): 0 automatic (also for a missing or unknown
// value): itself when its token holds SeSystemtimePrivilege, otherwise
// through the Orvane Time Service; 1 always itself; 2 always through the
// service.
#pragma once

#include <cstdint>

namespace orvane {

constexpr char kClockSettingValueName[] = "Clock setting";
constexpr std::int32_t kClockSettingAutomatic = 0;
constexpr std::int32_t kClockSettingItself = 1;
constexpr std::int32_t kClockSettingService = 2;

enum class ClockPath { kItself, kThroughService };

ClockPath ChooseClockPath(std::int32_t clock_setting, bool token_holds_privilege);

// The machine's `Clock setting` (0 when the key or value cannot be read).
std::int32_t ReadClockSetting();

// The choice for this process: the machine setting and the process token,
// through TheRegistry() and TheProcessPrivileges().
ClockPath CurrentClockPath();

}  // namespace orvane
