// Callbacks through which the protocol modules show a line of text to the
// user. An empty callback drops the report.
#pragma once

#include <functional>
#include <string>

namespace orvane {

using TextReporter = std::function<void(const std::string& text)>;

}  // namespace orvane
