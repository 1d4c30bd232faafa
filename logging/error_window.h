// The error window: the channel for recoverable failures. Any thread may
// append a message; only the user-interface thread opens the window and
// sets its text, through the error-window sink (platform/ui_sinks.h).
#pragma once

#include <cstddef>
#include <string>

namespace orvane {

// Longest text the window holds (its limit is 5000 with the terminator).
constexpr std::size_t kErrorWindowMaxText = 4999;

// Appends one message, laid out as
//   "- <timestamp>: <message>\r\nError code <n>\r\n\r\n"
// with the OS last-error code current on entry (one more "\r\n" for the
// first message of a newly opened window). On the user-interface thread
// the window is opened and updated at once. From another thread the
// user-interface thread is asked to do it and the caller waits, polling
// every 20 ms, at most 5000 ms; a message that could not be shown by then
// (no clock window yet) stays queued and is shown with the next one, or
// when the user-interface thread calls ShowPendingErrorMessages. The
// last-error value is unchanged on return.
void AppendToErrorWindow(const std::string& message);

// User-interface thread: shows every queued message, opening the window
// when it is not open. Run for command 1203 of the clock window, and once
// after the clock window is created. Does nothing when nothing is queued.
void ShowPendingErrorMessages();

// The number of messages waiting to be shown.
std::size_t PendingErrorMessageCount();

// Drops queued messages and forgets the shown text (tests only).
void ResetErrorWindowForTest();

}  // namespace orvane
