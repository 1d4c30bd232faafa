// A program's side of the time service: one request through the pipe and
// the service's answer, checked and parsed. Goes through
// TheTimeServicePipe().
#pragma once

#include <string>

#include "service/time_service_messages.h"

namespace orvane {

constexpr char kServiceNotRunningText[] = "The Orvane Time Service is not running";

enum class ServiceCallStatus {
    kAnswered,         // `answer` holds the service's answer (an error answer included)
    kNotRunning,       // no service listens on the pipe (it does not exist)
    kFailed,           // the pipe failed or stayed busy (error_code) before an answer came
    kMalformedAnswer,  // something answered, but not a well-formed answer to the request
};

struct ServiceCall {
    ServiceCallStatus status = ServiceCallStatus::kFailed;
    int error_code = 0;
    Answer answer;
    // For the caller to show: the service's error text, kServiceNotRunningText,
    // or why the call failed; empty for an answer without an error.
    std::string error_text;
};

ServiceCall CallTimeService(const Request& request);

// The three requests.
ServiceCall RequestServiceUpdate();
ServiceCall RequestServiceStatus();
ServiceCall RequestServiceBroadcast(const BroadcastRequest& broadcast);

}  // namespace orvane
