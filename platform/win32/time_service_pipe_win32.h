// The real time service pipe.
#pragma once

#include "platform/time_service_pipe.h"

namespace orvane {

class Win32TimeServicePipe : public TimeServicePipe {
  public:
    int Exchange(const std::vector<std::uint8_t>& request, std::size_t answer_limit,
                 int busy_limit_ms, const PipeServerCheck& accept_server,
                 std::vector<std::uint8_t>* answer) override;
    std::uint32_t ServiceProcessId() override;
};

}  // namespace orvane
