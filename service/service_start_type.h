// The Windows Time hand-over: Setup records how Windows Time starts, stops
// it, sets it to start on demand and takes away what would start it again
// (its start triggers and the weekly synchronisation task); Uninstall puts
// back what was recorded and starts it. Both go through
// TheServiceControl().
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/windows_time_record.h"

namespace orvane {

constexpr char kWindowsTimeServiceName[] = "W32Time";

// Stop service results.
constexpr int kStopServiceStopped = 0;
constexpr int kStopServiceFailed = 1;
constexpr int kStopServiceCannotOpen = 2;
constexpr int kStopServiceNotRunning = 3;
constexpr int kStopServiceOtherState = 4;

// Set service start type results.
constexpr int kSetStartTypeDone = 0;
constexpr int kSetStartTypeFailed = 1;
constexpr int kSetStartTypeNoService = 2;

// How long a stop-pending service is waited for, polled every 50 ms, before
// the stop counts as ended in another state (4).
constexpr int kStopPendingPollMilliseconds = 50;
constexpr int kStopPendingLimitMilliseconds = 30000;

// Stops the service and waits while it is stop-pending.
int StopService(const char* service_name);

// Start type automatic when `automatic` is 1, else on demand; the display
// name becomes the service name itself. kSetStartTypeNoService when no
// such service is installed.
int SetServiceStartType(const char* service_name, int automatic);

// The same with the start type given.
int SetServiceStartTypeTo(const char* service_name, std::uint32_t start_type);

// Windows Time as it is now. A manager without triggers, or a service
// without them, has none; no Task Scheduler or no task counts as no task.
// False when the service or its start type cannot be read.
bool ReadWindowsTime(WindowsTimeRecord* state);

// Setup's hand-over: keeps Windows Time as it is under `record_key_path`
// unless a record is there already, stops it and sets it to start on
// demand; then, only when a sound record is there to give them back,
// removes its triggers and disables the synchronisation task where it is
// enabled. Refused triggers count as none; nothing here fails the
// installation.
void HandOverWindowsTimeService(const char* record_key_path);

// Uninstall's give-back: the recorded start type, triggers and task, or
// without a record automatic start; then Windows Time is started (unless
// the record says it was disabled). The display name becomes the service
// name, as on the hand-over. One line per part that could not be given
// back.
std::vector<std::string> GiveWindowsTimeBack(const WindowsTimeRecord* record);

// Whether this Windows version hands time keeping over: 5.1 (XP) and
// later; 5.0 (2000) and NT 4 keep their Windows Time service as it is.
bool HandsOverWindowsTime(int major_version, int minor_version);

}  // namespace orvane
