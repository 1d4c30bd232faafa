#include "protocols/exchange_support.h"

#include <cstdio>

#include "platform/last_error.h"
#include "platform/os_errors.h"

namespace orvane {

std::string FormatWithNumber(const char* format, int value) {
    char text[200];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

ExchangeSocket::ExchangeSocket(net::SocketType type) : handle_(net::CreateSocket(type)) {}

ExchangeSocket::~ExchangeSocket() {
    if (!valid())
        return;
    LastErrorKeeper keep;
    net::CloseSocket(handle_);
}

std::string ReportClockRefusal(int code, const char* corrupt_text, const TextReporter& reporter) {
    SetLastErrorCode(code);
    const std::string text = code == kErrorInvalidParameter
                                 ? std::string(corrupt_text)
                                 : FormatWithNumber("SetSystemTime() failed, error code %d", code);
    if (reporter)
        reporter(text);
    return text;
}

}  // namespace orvane
