#include "support/fake_service_control.h"

#include "platform/os_errors.h"

namespace orvane {

FakeService& FakeServiceControl::AddService(const std::string& name) {
    FakeService& service = services_[name];
    service.display_name = name + " display";
    return service;
}

FakeService* FakeServiceControl::Find(const std::string& name) {
    auto found = services_.find(name);
    return found == services_.end() ? nullptr : &found->second;
}

FakeServiceControl::Handle* FakeServiceControl::Resolve(ServiceHandle handle) {
    auto found = handles_.find(handle);
    return found == handles_.end() ? nullptr : &found->second;
}

int FakeServiceControl::OpenManager(ServiceHandle* manager) {
    if (open_manager_error_ != 0)
        return open_manager_error_;
    Handle handle;
    handle.manager = true;
    *manager = next_handle_++;
    handles_[*manager] = handle;
    return 0;
}

int FakeServiceControl::OpenNamedService(ServiceHandle manager, const char* name,
                                         std::uint32_t access, ServiceHandle* service) {
    accesses_.push_back(access);
    Handle* owner = Resolve(manager);
    if (owner == nullptr || !owner->manager)
        return kErrorInvalidHandle;
    if (Find(name) == nullptr)
        return kErrorServiceDoesNotExist;
    if ((access & denied_rights_) != 0)
        return kErrorAccessDenied;
    Handle handle;
    handle.service = name;
    handle.access = access;
    *service = next_handle_++;
    handles_[*service] = handle;
    return 0;
}

int FakeServiceControl::SendStop(ServiceHandle service, std::uint32_t* state) {
    Handle* handle = Resolve(service);
    if (handle == nullptr || handle->manager)
        return kErrorInvalidHandle;
    if ((handle->access & kServiceStop) == 0)
        return kErrorAccessDenied;
    if (stop_error_ != 0)
        return stop_error_;
    FakeService& target = services_[handle->service];
    if (target.state == kServiceStopped)
        return kErrorServiceNotActive;
    target.state = target.states_after_stop.empty() ? kServiceStopped : kServiceStopPending;
    *state = target.state;
    return 0;
}

int FakeServiceControl::QueryState(ServiceHandle service, std::uint32_t* state) {
    ++queries_;
    Handle* handle = Resolve(service);
    if (handle == nullptr || handle->manager)
        return kErrorInvalidHandle;
    if ((handle->access & kServiceQueryStatus) == 0)
        return kErrorAccessDenied;
    if (query_error_ != 0)
        return query_error_;
    FakeService& target = services_[handle->service];
    if (!target.states_after_stop.empty()) {
        target.state = target.states_after_stop.front();
        if (target.states_after_stop.size() > 1)
            target.states_after_stop.pop_front();
    }
    *state = target.state;
    return 0;
}

int FakeServiceControl::ChangeStartType(ServiceHandle service, std::uint32_t start_type,
                                        const char* display_name) {
    Handle* handle = Resolve(service);
    if (handle == nullptr || handle->manager)
        return kErrorInvalidHandle;
    if ((handle->access & kServiceChangeConfig) == 0)
        return kErrorAccessDenied;
    if (change_error_ != 0)
        return change_error_;
    FakeService& target = services_[handle->service];
    target.start_type = start_type;
    target.display_name = display_name;
    return 0;
}

int FakeServiceControl::QueryStartType(ServiceHandle service, std::uint32_t* start_type) {
    int error = 0;
    FakeService* target = Target(service, kServiceQueryConfig, &error);
    if (target == nullptr)
        return error;
    *start_type = target->start_type;
    return 0;
}

int FakeServiceControl::QueryTriggers(ServiceHandle service,
                                      std::vector<ServiceTrigger>* triggers) {
    int error = 0;
    FakeService* target = Target(service, kServiceQueryConfig, &error);
    if (target == nullptr)
        return error;
    if (triggers_error_ != 0)
        return triggers_error_;
    *triggers = target->triggers;
    return 0;
}

int FakeServiceControl::SetTriggers(ServiceHandle service,
                                    const std::vector<ServiceTrigger>& triggers) {
    int error = 0;
    FakeService* target = Target(service, kServiceChangeConfig, &error);
    if (target == nullptr)
        return error;
    if (triggers_error_ != 0)
        return triggers_error_;
    if (triggers.empty() && target->triggers.empty())
        return kErrorInvalidParameter;
    target->triggers = triggers;
    return 0;
}

int FakeServiceControl::QueryTaskState(const char* task_path, TaskState* state) {
    if (tasks_error_ != 0)
        return tasks_error_;
    auto found = tasks_enabled.find(task_path);
    *state = found == tasks_enabled.end() ? TaskState::kMissing
             : found->second              ? TaskState::kEnabled
                                          : TaskState::kDisabled;
    return 0;
}

int FakeServiceControl::SetTaskEnabled(const char* task_path, bool enabled) {
    if (tasks_error_ != 0)
        return tasks_error_;
    auto found = tasks_enabled.find(task_path);
    if (found == tasks_enabled.end())
        return kErrorFileNotFound;
    found->second = enabled;
    return 0;
}

void FakeServiceControl::CloseHandle(ServiceHandle handle) {
    handles_.erase(handle);
}

void FakeServiceControl::Pause(int milliseconds) {
    paused_ += milliseconds;
}

FakeService* FakeServiceControl::Target(ServiceHandle service, std::uint32_t right, int* error) {
    Handle* handle = Resolve(service);
    if (handle == nullptr || handle->manager) {
        *error = kErrorInvalidHandle;
        return nullptr;
    }
    if ((handle->access & right) != right) {
        *error = kErrorAccessDenied;
        return nullptr;
    }
    FakeService* target = Find(handle->service);
    *error = target == nullptr ? kErrorServiceMarkedForDelete : 0;
    return target;
}

int FakeServiceControl::CreateOwnService(ServiceHandle manager, const OwnServiceConfig& config,
                                         ServiceHandle* service) {
    Handle* owner = Resolve(manager);
    if (owner == nullptr || !owner->manager)
        return kErrorInvalidHandle;
    if (create_error_ != 0)
        return create_error_;
    if (Find(config.name) != nullptr)
        return kErrorServiceExists;
    FakeService& created = services_[config.name];
    created.state = kServiceStopped;
    created.start_type = config.start_type;
    created.display_name = config.display_name;
    created.command_line = config.command_line;
    created.account = config.account;
    ++created.creations;
    Handle handle;
    handle.service = config.name;
    handle.access = kServiceAllAccess;
    *service = next_handle_++;
    handles_[*service] = handle;
    return 0;
}

int FakeServiceControl::ChangeOwnServiceConfig(ServiceHandle service,
                                               const OwnServiceConfig& config) {
    int error = 0;
    FakeService* target = Target(service, kServiceChangeConfig, &error);
    if (target == nullptr)
        return error;
    if (change_error_ != 0)
        return change_error_;
    target->start_type = config.start_type;
    target->display_name = config.display_name;
    target->command_line = config.command_line;
    target->account = config.account;
    ++target->reconfigurations;
    return 0;
}

int FakeServiceControl::SetDescription(ServiceHandle service, const char* description) {
    int error = 0;
    FakeService* target = Target(service, kServiceChangeConfig, &error);
    if (target == nullptr)
        return error;
    target->description = description;
    return 0;
}

int FakeServiceControl::SetRequiredPrivileges(ServiceHandle service,
                                              const std::vector<std::string>& privileges) {
    int error = 0;
    FakeService* target = Target(service, kServiceChangeConfig, &error);
    if (target == nullptr)
        return error;
    if (privileges_error_ != 0)
        return privileges_error_;
    target->required_privileges = privileges;
    return 0;
}

int FakeServiceControl::SetRestartOnFailure(ServiceHandle service,
                                            std::uint32_t reset_period_seconds,
                                            std::uint32_t restart_delay_ms) {
    int error = 0;
    FakeService* target = Target(service, kServiceChangeConfig, &error);
    if (target == nullptr)
        return error;
    target->failure_reset_seconds = reset_period_seconds;
    target->restart_delay_ms = restart_delay_ms;
    return 0;
}

int FakeServiceControl::QueryRequiredPrivileges(ServiceHandle service,
                                                std::vector<std::string>* privileges) {
    int error = 0;
    FakeService* target = Target(service, kServiceQueryConfig, &error);
    if (target == nullptr)
        return error;
    if (privileges_query_error_ != 0)
        return privileges_query_error_;
    *privileges = target->required_privileges;
    return 0;
}

int FakeServiceControl::Start(ServiceHandle service) {
    int error = 0;
    FakeService* target = Target(service, kServiceStart, &error);
    if (target == nullptr)
        return error;
    if (target->state == kServiceRunning)
        return kErrorServiceAlreadyRunning;
    target->state = kServiceRunning;
    ++target->starts;
    return 0;
}

int FakeServiceControl::Delete(ServiceHandle service) {
    int error = 0;
    FakeService* target = Target(service, kServiceDelete, &error);
    if (target == nullptr)
        return error;
    if (target->state != kServiceStopped)
        target->deleted_while_running = true;
    services_.erase(handles_[service].service);
    return 0;
}

}  // namespace orvane
