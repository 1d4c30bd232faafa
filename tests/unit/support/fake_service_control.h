// An in-memory service control manager for unit tests: named services with
// a state, a start type and a display name, failures on demand, the states
// successive queries report, and the handles left open.
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
    void CloseHandle(ServiceHandle handle) override;
    void Pause(int milliseconds) override;

    // Test controls.
    FakeService& AddService(const std::string& name);
    FakeService* Find(const std::string& name);
    void FailOpenManager(int error) { open_manager_error_ = error; }
    // Opening a service asking for any of these rights fails with 5.
    void DenyAccess(std::uint32_t rights) { denied_rights_ = rights; }
    void FailStop(int error) { stop_error_ = error; }
    void FailQuery(int error) { query_error_ = error; }
    void FailChange(int error) { change_error_ = error; }

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

    std::map<std::string, FakeService> services_;
    std::map<ServiceHandle, Handle> handles_;
    ServiceHandle next_handle_ = 0x40;
    int open_manager_error_ = 0;
    std::uint32_t denied_rights_ = 0;
    int stop_error_ = 0;
    int query_error_ = 0;
    int change_error_ = 0;
    int paused_ = 0;
    int queries_ = 0;
    std::vector<std::uint32_t> accesses_;
};

}  // namespace orvane
