// The time service pipe for unit tests: a canned error or answer, or a
// service in this process answering, and the requests sent.
#pragma once

#include <functional>
#include <vector>

#include "platform/time_service_pipe.h"

namespace orvane {

class FakeTimeServicePipe : public TimeServicePipe {
  public:
    int Exchange(const std::vector<std::uint8_t>& request, std::size_t answer_limit,
                 std::vector<std::uint8_t>* out) override {
        requests.push_back(request);
        limits.push_back(answer_limit);
        const bool fails = failing_exchanges == 0 ||
                           requests.size() <= static_cast<std::size_t>(failing_exchanges);
        if (error != 0 && fails)
            return error;
        *out = service ? service(request) : answer;
        return 0;
    }

    int error = 0;
    // When positive, only the first this many exchanges fail with `error`
    // (a service that opens its pipe a moment late); 0: every one does.
    int failing_exchanges = 0;
    std::vector<std::uint8_t> answer;
    std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> service;
    std::vector<std::vector<std::uint8_t>> requests;
    std::vector<std::size_t> limits;
};

}  // namespace orvane
