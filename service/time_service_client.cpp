#include "service/time_service_client.h"

#include <cstdio>

#include "platform/time_service_pipe.h"

namespace orvane {

namespace {

MessageType AnswerTypeFor(MessageType request) {
    return request == kRequestUpdate ? kAnswerUpdate : kAnswerStatus;
}

}  // namespace

bool IsTimeServiceProcess(std::uint32_t server_process_id, std::uint32_t service_process_id) {
    return service_process_id != 0 && server_process_id == service_process_id;
}

ServiceCall CallTimeService(const Request& request) {
    ServiceCall call;
    TimeServicePipe& pipe = TheTimeServicePipe();
    std::vector<std::uint8_t> reply;
    // The service's process id is read when the pipe's holder is known, so
    // a service that restarted in between is still recognised.
    const int error = pipe.Exchange(
        EncodeRequest(request), kLongestAnswerSize, kPipeBusyLimitMs,
        [&pipe](std::uint32_t server) { return IsTimeServiceProcess(server, pipe.ServiceProcessId()); },
        &reply);
    if (error == kPipeServerRefused) {
        call.status = ServiceCallStatus::kNotTheService;
        call.error_text = kPipeImpostorText;
        return call;
    }
    if (error == kErrorPipeNotFound || error == kErrorPipeBusy || error == kErrorSemTimeout) {
        call.status = ServiceCallStatus::kNotRunning;
        call.error_code = error;
        call.error_text = kServiceNotRunningText;
        return call;
    }
    if (error != 0) {
        call.status = ServiceCallStatus::kFailed;
        call.error_code = error;
        char text[100];
        std::snprintf(text, sizeof text, "The Orvane Time Service did not answer (error %d)",
                      error);
        call.error_text = text;
        return call;
    }
    Answer answer;
    if (DecodeAnswer(reply.data(), reply.size(), &answer) != MessageFault::kNone ||
        (answer.type != kAnswerError && answer.type != AnswerTypeFor(request.type))) {
        call.status = ServiceCallStatus::kMalformedAnswer;
        call.error_text = "The Orvane Time Service gave a malformed answer";
        return call;
    }
    call.status = ServiceCallStatus::kAnswered;
    call.answer = answer;
    if (answer.type == kAnswerError)
        call.error_text = answer.error_text;
    else if (answer.type == kAnswerUpdate)
        call.error_text = answer.update.error_text;
    return call;
}

ServiceCall RequestServiceUpdate(bool automatic, bool confirmed, bool next_try) {
    Request request;
    request.type = kRequestUpdate;
    request.update.has_tail = true;
    request.update.flags = (automatic ? kUpdateAutomatic : 0) | (confirmed ? kUpdateConfirmed : 0) |
                           (automatic && next_try ? kUpdateNextTry : 0);
    return CallTimeService(request);
}

ServiceCall RequestServiceStatus() {
    Request request;
    request.type = kRequestStatus;
    return CallTimeService(request);
}

}  // namespace orvane
