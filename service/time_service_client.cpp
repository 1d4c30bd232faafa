#include "service/time_service_client.h"

#include <cstdio>

#include "platform/time_service_pipe.h"

namespace orvane {

namespace {

MessageType AnswerTypeFor(MessageType request) {
    switch (request) {
        case kRequestUpdate:
            return kAnswerUpdate;
        case kRequestBroadcast:
            return kAnswerBroadcast;
        default:
            return kAnswerStatus;
    }
}

}  // namespace

ServiceCall CallTimeService(const Request& request) {
    ServiceCall call;
    std::vector<std::uint8_t> reply;
    const int error =
        TheTimeServicePipe().Exchange(EncodeRequest(request), kLongestAnswerSize, &reply);
    if (error == kErrorPipeNotFound) {
        call.status = ServiceCallStatus::kNotRunning;
        call.error_code = error;
        call.error_text = kServiceNotRunningText;
        return call;
    }
    if (error == kErrorPipeBusy || error == kErrorSemTimeout) {
        call.status = ServiceCallStatus::kFailed;
        call.error_code = error;
        call.error_text = "The Orvane Time Service is busy; try again";
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
    else if (answer.type == kAnswerBroadcast)
        call.error_text = answer.broadcast.error_text;
    return call;
}

ServiceCall RequestServiceUpdate() {
    Request request;
    request.type = kRequestUpdate;
    return CallTimeService(request);
}

ServiceCall RequestServiceStatus() {
    Request request;
    request.type = kRequestStatus;
    return CallTimeService(request);
}

ServiceCall RequestServiceBroadcast(const BroadcastRequest& broadcast) {
    Request request;
    request.type = kRequestBroadcast;
    request.broadcast = broadcast;
    return CallTimeService(request);
}

}  // namespace orvane
