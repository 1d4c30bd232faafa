// The service control manager as Setup and Uninstall see it: open the
// manager and a service, stop it, read its state, change its start type.
// The programs install the real one at start; unit tests install a fake.
// Every operation returns 0 on success, else a Windows error code.
#pragma once

#include "platform/interface_slot.h"

#include <cstdint>

namespace orvane {

// An open manager or service; kNoServiceHandle when none.
using ServiceHandle = std::uintptr_t;
constexpr ServiceHandle kNoServiceHandle = 0;

// Access rights, numbered as Windows numbers them.
constexpr std::uint32_t kServiceQueryStatus = 0x0004;
constexpr std::uint32_t kServiceChangeConfig = 0x0002;
constexpr std::uint32_t kServiceStop = 0x0020;

// Service states.
constexpr std::uint32_t kServiceStopped = 1;
constexpr std::uint32_t kServiceStartPending = 2;
constexpr std::uint32_t kServiceStopPending = 3;
constexpr std::uint32_t kServiceRunning = 4;

// Start types.
constexpr std::uint32_t kServiceAutoStart = 2;
constexpr std::uint32_t kServiceDemandStart = 3;

// Opening a service that is not installed.
constexpr int kErrorServiceDoesNotExist = 1060;
// The error a stop request gives when the service is not running.
constexpr int kErrorServiceNotActive = 1062;

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
    virtual void CloseHandle(ServiceHandle handle) = 0;
    // Waits while a service is stop-pending (a real sleep; fakes only
    // count it).
    virtual void Pause(int milliseconds) = 0;
};

inline InterfaceSlot<ServiceControl> installed_service_control{"service control manager"};
inline void UseServiceControl(ServiceControl* implementation) {
    installed_service_control.Install(implementation);
}
inline ServiceControl& TheServiceControl() {
    return installed_service_control.Get();
}

}  // namespace orvane
