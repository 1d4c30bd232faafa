// The real time service pipe.
#pragma once

#include "platform/time_service_pipe.h"

namespace orvane {

class Win32TimeServicePipe : public TimeServicePipe {
  public:
    int Exchange(const std::vector<std::uint8_t>& request, std::size_t answer_limit,
                 std::vector<std::uint8_t>* answer) override;
};

}  // namespace orvane
