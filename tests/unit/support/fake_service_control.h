// An in-memory service control manager for unit tests: named services with
// a state, a start type, a display name, start triggers and the rest of
// their configuration, failures on demand, the states successive queries
// report, and the handles left open; and scheduled tasks by path.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "platform/service_control.h"

namespace orvane {

struct FakeService {
    std::uint32_t state = kServiceRunning;
    std::uint32_t start_type = kServiceAutoStart;
    std::string display_name;
    // States the queries after a stop report, one per query; the last one
    // repeats. Empty: a stop stops at once.
    std::deque<std::uint32_t> states_after_stop;
    std::string command_line;
    std::string account;
    std::string description;
    std::vector<std::string> required_privileges;
    std::uint32_t failure_reset_seconds = 0;
    std::uint32_t restart_delay_ms = 0;  // 0: no restart on failure
    int creations = 0;
    int reconfigurations = 0;
    int starts = 0;
    bool deleted_while_running = false;
    std::vector<ServiceTrigger> triggers;
};

class FakeServiceControl : public ServiceControl {
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
    // Removing no triggers from a service that has none fails with 87, as
    // Windows does.
    int SetTriggers(ServiceHandle service, const std::vector<ServiceTrigger>& triggers) override;
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
    // Removes the service at once (the real manager waits for the last
    // handle).
    int Delete(ServiceHandle service) override;

    // Test controls.
    FakeService& AddService(const std::string& name);
    FakeService* Find(const std::string& name);
    void FailOpenManager(int error) { open_manager_error_ = error; }
    // Opening a service asking for any of these rights fails with 5.
    void DenyAccess(std::uint32_t rights) { denied_rights_ = rights; }
    void FailStop(int error) { stop_error_ = error; }
    void FailQuery(int error) { query_error_ = error; }
    void FailChange(int error) { change_error_ = error; }
    void FailCreate(int error) { create_error_ = error; }
    void FailRequiredPrivileges(int error) { privileges_error_ = error; }
    // Reading the setting back fails with this error.
    void FailRequiredPrivilegesQuery(int error) { privileges_query_error_ = error; }
    // Reading and setting triggers fail with this error (124: a manager
    // without triggers).
    void FailTriggers(int error) { triggers_error_ = error; }
    // The scheduled tasks there are, by path; the Task Scheduler's errors.
    std::map<std::string, bool> tasks_enabled;
    void FailTasks(int error) { tasks_error_ = error; }

    int open_handles() const { return static_cast<int>(handles_.size()); }
    int paused_milliseconds() const { return paused_; }
    int queries() const { return queries_; }
    // Access rights of each service opening, in order.
    const std::vector<std::uint32_t>& accesses() const { return accesses_; }

  private:
    struct Handle {
        bool manager = false;
        std::string service;
        std::uint32_t access = 0;
    };
    Handle* Resolve(ServiceHandle handle);
    // The service of an open handle that carries `right`; null with the
    // error otherwise.
    FakeService* Target(ServiceHandle service, std::uint32_t right, int* error);

    std::map<std::string, FakeService> services_;
    std::map<ServiceHandle, Handle> handles_;
    ServiceHandle next_handle_ = 0x40;
    int open_manager_error_ = 0;
    std::uint32_t denied_rights_ = 0;
    int stop_error_ = 0;
    int query_error_ = 0;
    int change_error_ = 0;
    int create_error_ = 0;
    int privileges_error_ = 0;
    int privileges_query_error_ = 0;
    int triggers_error_ = 0;
    int tasks_error_ = 0;
    int paused_ = 0;
    int queries_ = 0;
    std::vector<std::uint32_t> accesses_;
};

}  // namespace orvane
