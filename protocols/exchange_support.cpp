#include "protocols/exchange_support.h"

#include <cstdio>

#include "platform/last_error.h"

namespace orvane {

std::string FormatWithNumber(const char* format, int value) {
    char text[200];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

void SetErrorText(std::string* error_text, const std::string& text) {
    if (error_text != nullptr)
        *error_text = text;
}

void CloseSocketKeepingError(net::SocketHandle s) {
    LastErrorKeeper keep;
    net::CloseSocket(s);
}

}  // namespace orvane
