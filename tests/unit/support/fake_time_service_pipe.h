// The time service pipe for unit tests: a canned error or answer, or a
// service in this process answering, the processes holding the pipe and
// registered as the service, and the requests sent.
#pragma once

#include <functional>
#include <vector>

#include "platform/time_service_pipe.h"

namespace orvane {

class FakeTimeServicePipe : public TimeServicePipe {
  public:
    int Exchange(const std::vector<std::uint8_t>& request, std::size_t answer_limit,
                 int busy_limit_ms, const PipeServerCheck& accept_server,
                 std::vector<std::uint8_t>* out) override {
        busy_limits.push_back(busy_limit_ms);
        if (error == 0 && !accept_server(server_process_id))
            return kPipeServerRefused;
        requests.push_back(request);
        limits.push_back(answer_limit);
        const bool fails = failing_exchanges == 0 ||
                           requests.size() <= static_cast<std::size_t>(failing_exchanges);
        if (error != 0 && fails)
            return error;
        *out = service ? service(request) : answer;
        return 0;
    }

    std::uint32_t ServiceProcessId() override { return service_process_id; }

    int error = 0;
    // When positive, only the first this many exchanges fail with `error`
    // (a service that opens its pipe a moment late); 0: every one does.
    int failing_exchanges = 0;
    // The pipe's holder and the registered service's process: the service
    // itself unless a test says otherwise.
    std::uint32_t server_process_id = 4242;
    std::uint32_t service_process_id = 4242;
    std::vector<int> busy_limits;
    std::vector<std::uint8_t> answer;
    std::function<std::vector<std::uint8_t>(const std::vector<std::uint8_t>&)> service;
    std::vector<std::vector<std::uint8_t>> requests;
    std::vector<std::size_t> limits;
};

}  // namespace orvane
