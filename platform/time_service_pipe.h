// The time service's named pipe as a client sees it: one request record
// out, one answer record back, on a connection of its own. Orvane.exe
// installs the real pipe; unit tests install a fake.
#pragma once

#include "platform/interface_slot.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace orvane {

constexpr char kTimeServicePipeName[] = "\\\\.\\pipe\\OrvaneTime";
// The service the pipe belongs to, as registered with the service manager.
constexpr char kTimeServiceName[] = "OrvaneTime";

// Errors meaning no service is listening (the pipe does not exist, or the
// service is too busy to take the connection within the wait).
constexpr int kErrorPipeNotFound = 2;
constexpr int kErrorPipeBusy = 231;
constexpr int kErrorSemTimeout = 121;

// Exchange's answer when `accept_server` refused the pipe's server: not a
// Windows error code (those are positive).
constexpr int kPipeServerRefused = -1;

// Decides, from the process id of the program that holds the pipe, whether
// to send it anything.
using PipeServerCheck = std::function<bool(std::uint32_t server_process_id)>;

class TimeServicePipe {
  public:
    virtual ~TimeServicePipe() = default;
    // Connects (waiting for a free instance of the pipe for at most
    // `busy_limit_ms` in all), asks `accept_server` about the process that
    // holds the pipe, and only when it agrees sends the request as one
    // message and reads one answer message of at most `answer_limit`
    // bytes. 0 on success, kPipeServerRefused, or a Windows error code.
    virtual int Exchange(const std::vector<std::uint8_t>& request, std::size_t answer_limit,
                         int busy_limit_ms, const PipeServerCheck& accept_server,
                         std::vector<std::uint8_t>* answer) = 0;
    // The process id of the registered time service while it runs; 0 when
    // it is stopped, not installed, or the manager does not say.
    virtual std::uint32_t ServiceProcessId() = 0;
};

inline InterfaceSlot<TimeServicePipe> installed_time_service_pipe{"time service pipe"};
inline void UseTimeServicePipe(TimeServicePipe* implementation) {
    installed_time_service_pipe.Install(implementation);
}
inline TimeServicePipe& TheTimeServicePipe() {
    return installed_time_service_pipe.Get();
}

}  // namespace orvane
