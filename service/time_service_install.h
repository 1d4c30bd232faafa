// Installing and removing the Orvane Time Service, for Setup and Uninstall.
// Goes through TheServiceControl().
#pragma once

#include <string>

#include "platform/time_service_pipe.h"  // kTimeServiceName

namespace orvane {

constexpr char kTimeServiceDisplayName[] = "Orvane Time Service";
constexpr char kTimeServiceDescription[] = "Sets the clock for Orvane.";
constexpr char kTimeServiceAccount[] = "NT AUTHORITY\\LocalService";
constexpr char kTimeServiceProgramName[] = "OrvaneService.exe";
// The service's entries in the Application event log come from this source,
// which Setup registers with the same message library as "Orvane".
constexpr char kTimeServiceEventSourceName[] = "Orvane Time Service";
// The manager restarts the service this long after a failure, and forgets
// past failures after a day without one.
constexpr unsigned kTimeServiceRestartDelayMs = 5000;
constexpr unsigned kTimeServiceFailureResetSeconds = 86400;

// Results; `error` (may be null) receives the Windows error code of the
// step that failed, 0 otherwise.
constexpr int kServiceInstallDone = 0;
constexpr int kServiceInstallNoManager = 1;
constexpr int kServiceInstallCreateFailed = 2;  // creating or reconfiguring
constexpr int kServiceInstallConfigFailed = 3;  // description, privileges, recovery
constexpr int kServiceInstallStartFailed = 4;
// Installed and started, but the manager does not know the required
// privileges setting: it refuses to set it with 87 and to report it (Wine
// does both). The service runs with the whole LocalService token. Counts
// as installed; `error` holds the code. An 87 where the setting can be
// read is kServiceInstallConfigFailed.
constexpr int kServiceInstallPrivilegesNotLimited = 5;

constexpr int kServiceRemoveDone = 0;
constexpr int kServiceRemoveNoManager = 1;
constexpr int kServiceRemoveNotInstalled = 2;
constexpr int kServiceRemoveFailed = 3;

// Whether this Windows version sets the clock through the service: 6.0
// (Vista) and later, where a program of the signed-in user may not set it
// itself. Earlier versions have no service.
bool RunsTimeService(int major_version);

// The same for the running system; false when it does not say.
bool SystemRunsTimeService();

// The command line the manager starts: the path, quoted when it holds a
// space.
std::string ServiceCommandLine(const std::string& program_path);

// Creates the service for the program at `program_path` (automatic start,
// LocalService, only SeSystemtimePrivilege and SeChangeNotifyPrivilege,
// restart on failure); a service of that name that already exists is
// stopped and configured the same way instead. Starts it when `start`.
int InstallTimeService(const std::string& program_path, bool start, int* error);

// Stops the service and deletes it.
int RemoveTimeService(int* error);

}  // namespace orvane
