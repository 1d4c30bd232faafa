// The time service's named pipe as a client sees it: one request record
// out, one answer record back, on a connection of its own. Orvane.exe
// installs the real pipe; unit tests install a fake.
#pragma once

#include "platform/interface_slot.h"

#include <cstdint>
#include <vector>

namespace orvane {

constexpr char kTimeServicePipeName[] = "\\\\.\\pipe\\OrvaneTime";

// Errors meaning no service is listening (the pipe does not exist, or the
// service is too busy to take the connection within the wait).
constexpr int kErrorPipeNotFound = 2;
constexpr int kErrorPipeBusy = 231;
constexpr int kErrorSemTimeout = 121;

class TimeServicePipe {
  public:
    virtual ~TimeServicePipe() = default;
    // Connects, sends the request as one message and reads one answer
    // message of at most `answer_limit` bytes. 0 on success, else a Windows
    // error code.
    virtual int Exchange(const std::vector<std::uint8_t>& request, std::size_t answer_limit,
                         std::vector<std::uint8_t>* answer) = 0;
};

inline InterfaceSlot<TimeServicePipe> installed_time_service_pipe{"time service pipe"};
inline void UseTimeServicePipe(TimeServicePipe* implementation) {
    installed_time_service_pipe.Install(implementation);
}
inline TimeServicePipe& TheTimeServicePipe() {
    return installed_time_service_pipe.Get();
}

}  // namespace orvane
