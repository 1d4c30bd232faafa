// A program's side of the time service: one request through the pipe and
// the service's answer, checked and parsed. Nothing is sent unless the
// pipe is held by the registered service's own process. Goes through
// TheTimeServicePipe().
#pragma once

#include <string>

#include "service/time_service_messages.h"

namespace orvane {

constexpr char kServiceNotRunningText[] = "The Orvane Time Service is not running";
constexpr char kPipeImpostorText[] = "A program other than the Orvane Time Service holds its pipe";
// How long a client waits in all for a free instance of the pipe.
constexpr int kPipeBusyLimitMs = 10000;

enum class ServiceCallStatus {
    kAnswered,         // `answer` holds the service's answer (an error answer included)
    kNotRunning,       // no service listens on the pipe, or none took the call in time
    kFailed,           // the pipe failed (error_code) before an answer came
    kMalformedAnswer,  // something answered, but not a well-formed answer to the request
    kNotTheService,    // the pipe is held by another program: nothing was sent
};

struct ServiceCall {
    ServiceCallStatus status = ServiceCallStatus::kFailed;
    int error_code = 0;
    Answer answer;
    // For the caller to show: the service's error text, kServiceNotRunningText,
    // kPipeImpostorText, or why the call failed; empty for an answer without
    // an error.
    std::string error_text;
};

// Whether a pipe held by `server_process_id` may be sent anything: only when
// it is the running service's process (a stopped or missing service has
// process id 0, which never matches).
bool IsTimeServiceProcess(std::uint32_t server_process_id, std::uint32_t service_process_id);

ServiceCall CallTimeService(const Request& request);

// An update: `automatic` for a scheduled round, else the user's request;
// `confirmed` when the user said yes to a large correction; `next_try` for
// a later try of the automatic round the last update began.
ServiceCall RequestServiceUpdate(bool automatic, bool confirmed = false, bool next_try = false);
ServiceCall RequestServiceStatus();

}  // namespace orvane
