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
    int QueryStartType(ServiceHandle service, std::uint32_t* start_type) override;
    int QueryTriggers(ServiceHandle service, std::vector<ServiceTrigger>* triggers) override;
    int SetTriggers(ServiceHandle service, const std::vector<ServiceTrigger>& triggers) override;
    // The Task Scheduler 2.0 through COM (scheduled_task_win32.cpp).
    int QueryTaskState(const char* task_path, TaskState* state) override;
    int SetTaskEnabled(const char* task_path, bool enabled) override;
    void CloseHandle(ServiceHandle handle) override;
    void Pause(int milliseconds) override;
    int CreateOwnService(ServiceHandle manager, const OwnServiceConfig& config,
                         ServiceHandle* service) override;
    int ChangeOwnServiceConfig(ServiceHandle service, const OwnServiceConfig& config) override;
    int SetDescription(ServiceHandle service, const char* description) override;
    int SetRequiredPrivileges(ServiceHandle service,
                              const std::vector<std::string>& privileges) override;
    int SetRestartOnFailure(ServiceHandle service, std::uint32_t reset_period_seconds,
                            std::uint32_t restart_delay_ms) override;
    int QueryRequiredPrivileges(ServiceHandle service,
                                std::vector<std::string>* privileges) override;
    int Start(ServiceHandle service) override;
    int Delete(ServiceHandle service) override;
};

}  // namespace orvane
