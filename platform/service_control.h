// The service control manager as Setup and Uninstall see it: open the
// manager and a service, stop it, read its state, read and change its
// start type and its start triggers; create, configure, read back, start
// and delete a service of the product's own; and the Task Scheduler's
// switch of one task, which starts a service on a schedule of its own.
// The programs install the real one at start; unit tests install a fake.
// Every operation returns 0 on success, else a Windows error code.
#pragma once

#include "platform/interface_slot.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane {

// An open manager or service; kNoServiceHandle when none.
using ServiceHandle = std::uintptr_t;
constexpr ServiceHandle kNoServiceHandle = 0;

// Access rights, numbered as Windows numbers them.
constexpr std::uint32_t kServiceQueryConfig = 0x0001;
constexpr std::uint32_t kServiceQueryStatus = 0x0004;
constexpr std::uint32_t kServiceChangeConfig = 0x0002;
constexpr std::uint32_t kServiceStop = 0x0020;
constexpr std::uint32_t kServiceStart = 0x0010;
constexpr std::uint32_t kServiceDelete = 0x00010000;  // DELETE
constexpr std::uint32_t kServiceAllAccess = 0x000F01FF;

// Service states.
constexpr std::uint32_t kServiceStopped = 1;
constexpr std::uint32_t kServiceStartPending = 2;
constexpr std::uint32_t kServiceStopPending = 3;
constexpr std::uint32_t kServiceRunning = 4;

// Start types.
constexpr std::uint32_t kServiceAutoStart = 2;
constexpr std::uint32_t kServiceDemandStart = 3;
constexpr std::uint32_t kServiceDisabled = 4;

// Opening a service that is not installed.
constexpr int kErrorServiceDoesNotExist = 1060;
// The error a stop request gives when the service is not running.
constexpr int kErrorServiceNotActive = 1062;
constexpr int kErrorServiceAlreadyRunning = 1056;
constexpr int kErrorServiceMarkedForDelete = 1072;
constexpr int kErrorServiceExists = 1073;
// A manager that does not know a ChangeServiceConfig2 level (Wine, for the
// start triggers).
constexpr int kErrorInvalidLevel = 124;

// One item of a trigger's data (SERVICE_TRIGGER_SPECIFIC_DATA_ITEM): its
// type (SERVICE_TRIGGER_DATA_TYPE_*, 1 to 5) and its bytes.
struct ServiceTriggerData {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
    bool operator==(const ServiceTriggerData& other) const {
        return type == other.type && bytes == other.bytes;
    }
};

// One start or stop trigger (SERVICE_TRIGGER). The subtype is a GUID's 16
// bytes as Windows keeps a GUID in memory: Data1, Data2 and Data3 little-
// endian, then Data4; `has_subtype` false for a trigger without one.
struct ServiceTrigger {
    std::uint32_t type = 0;    // SERVICE_TRIGGER_TYPE_*
    std::uint32_t action = 0;  // 1 start the service, 2 stop it
    bool has_subtype = false;
    std::array<std::uint8_t, 16> subtype{};
    std::vector<ServiceTriggerData> data;
    bool operator==(const ServiceTrigger& other) const {
        return type == other.type && action == other.action && has_subtype == other.has_subtype &&
               subtype == other.subtype && data == other.data;
    }
};

// A scheduled task as the Task Scheduler reports it; kMissing also where
// no Task Scheduler answers.
enum class TaskState { kMissing, kEnabled, kDisabled };

// A service program of its own process (SERVICE_WIN32_OWN_PROCESS) that
// reports errors normally (SERVICE_ERROR_NORMAL).
struct OwnServiceConfig {
    std::string name;
    std::string display_name;
    std::string command_line;  // the program's path, quoted when it has spaces
    std::string account;       // e.g. "NT AUTHORITY\\LocalService"; empty: LocalSystem
    std::uint32_t start_type = kServiceDemandStart;
};

class ServiceControl {
  public:
    virtual ~ServiceControl() = default;

    // The local machine's manager, database "ServicesActive", all access.
    virtual int OpenManager(ServiceHandle* manager) = 0;
    virtual int OpenNamedService(ServiceHandle manager, const char* name, std::uint32_t access,
                                 ServiceHandle* service) = 0;
    // Sends the stop control; on success `state` holds the state the
    // service reported in answer.
    virtual int SendStop(ServiceHandle service, std::uint32_t* state) = 0;
    virtual int QueryState(ServiceHandle service, std::uint32_t* state) = 0;
    // Changes only the start type and the display name; everything else
    // stays as it is.
    virtual int ChangeStartType(ServiceHandle service, std::uint32_t start_type,
                                const char* display_name) = 0;
    // QueryServiceConfig's start type; needs kServiceQueryConfig.
    virtual int QueryStartType(ServiceHandle service, std::uint32_t* start_type) = 0;
    // SERVICE_CONFIG_TRIGGER_INFO through QueryServiceConfig2 (needs
    // kServiceQueryConfig) and ChangeServiceConfig2 (kServiceChangeConfig);
    // an empty list removes every trigger. A manager without triggers
    // answers kErrorInvalidLevel; removing the triggers of a service that
    // has none gives kErrorInvalidParameter.
    virtual int QueryTriggers(ServiceHandle service, std::vector<ServiceTrigger>* triggers) = 0;
    virtual int SetTriggers(ServiceHandle service, const std::vector<ServiceTrigger>& triggers) = 0;
    virtual void CloseHandle(ServiceHandle handle) = 0;
    // CreateService with all access on the new service.
    virtual int CreateOwnService(ServiceHandle manager, const OwnServiceConfig& config,
                                 ServiceHandle* service) = 0;
    // ChangeServiceConfig of type, start type, error control, command line,
    // account (no password: the built-in accounts have none) and display
    // name; the service name stays.
    virtual int ChangeOwnServiceConfig(ServiceHandle service, const OwnServiceConfig& config) = 0;
    // ChangeServiceConfig2: SERVICE_CONFIG_DESCRIPTION,
    // SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO and
    // SERVICE_CONFIG_FAILURE_ACTIONS (restart after every failure).
    virtual int SetDescription(ServiceHandle service, const char* description) = 0;
    virtual int SetRequiredPrivileges(ServiceHandle service,
                                      const std::vector<std::string>& privileges) = 0;
    virtual int SetRestartOnFailure(ServiceHandle service, std::uint32_t reset_period_seconds,
                                    std::uint32_t restart_delay_ms) = 0;
    // QueryServiceConfig2 of SERVICE_CONFIG_REQUIRED_PRIVILEGES_INFO: the
    // privileges the service's token is limited to (none: not limited).
    virtual int QueryRequiredPrivileges(ServiceHandle service,
                                        std::vector<std::string>* privileges) = 0;
    virtual int Start(ServiceHandle service) = 0;
    // Marks the service for deletion; it goes once every handle is closed.
    virtual int Delete(ServiceHandle service) = 0;
    // Waits while a service is stop-pending (a real sleep; fakes only
    // count it).
    virtual void Pause(int milliseconds) = 0;

    // The task at `task_path` (\Folder\Name) in the Task Scheduler:
    // whether it exists and is enabled. A missing task, folder or Task
    // Scheduler is kMissing with 0.
    virtual int QueryTaskState(const char* task_path, TaskState* state) = 0;
    virtual int SetTaskEnabled(const char* task_path, bool enabled) = 0;
};

inline InterfaceSlot<ServiceControl> installed_service_control{"service control manager"};
inline void UseServiceControl(ServiceControl* implementation) {
    installed_service_control.Install(implementation);
}
inline ServiceControl& TheServiceControl() {
    return installed_service_control.Get();
}

}  // namespace orvane
