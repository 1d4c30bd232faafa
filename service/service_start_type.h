// The Windows Time hand-over: Setup stops the service and sets it to start
// on demand; Uninstall sets it back to automatic start. Both go through
// TheServiceControl().
#pragma once

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

// Whether this Windows version hands time keeping over: 5.1 (XP) and
// later; 5.0 (2000) and NT 4 keep their Windows Time service as it is.
bool HandsOverWindowsTime(int major_version, int minor_version);

}  // namespace orvane
