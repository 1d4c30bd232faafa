// Small pieces every time exchange uses the same way.
#pragma once

#include <string>

#include "platform/sockets.h"

namespace orvane {

// One of the exchanges' fixed texts with its number filled in.
std::string FormatWithNumber(const char* format, int value);
// Writes the failure text when the caller passed a buffer.
void SetErrorText(std::string* error_text, const std::string& text);
// Closes the socket without disturbing the last-error value the caller
// will read.
void CloseSocketKeepingError(net::SocketHandle s);

}  // namespace orvane
