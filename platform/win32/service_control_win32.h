// The real service control manager.
#pragma once

#include "platform/service_control.h"

namespace orvane {

class Win32ServiceControl : public ServiceControl {
  public:
    int OpenManager(ServiceHandle* manager) override;
    int OpenNamedService(ServiceHandle manager, const char* name, std::uint32_t access,
                         ServiceHandle* service) override;
    int SendStop(ServiceHandle service, std::uint32_t* state) override;
    int QueryState(ServiceHandle service, std::uint32_t* state) override;
    int ChangeStartType(ServiceHandle service, std::uint32_t start_type,
                        const char* display_name) override;
    void CloseHandle(ServiceHandle handle) override;
    void Pause(int milliseconds) override;
};

}  // namespace orvane
