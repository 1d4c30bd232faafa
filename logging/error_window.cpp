#include "logging/error_window.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>

#include "logging/fatal_error.h"
#include "logging/timestamp_text.h"
#include "platform/clock.h"
#include "platform/fixed_text.h"
#include "platform/last_error.h"
#include "platform/ui_sinks.h"

namespace orvane {

namespace {

constexpr int kPollMs = 20;
constexpr int kWaitBoundMs = 5000;

struct ErrorWindowState {
    // Guards the queue and the counters; any thread.
    std::mutex queue_mutex;
    std::deque<std::string> pending;  // laid out, without the closing "\r\n"
    std::uint64_t queued_count = 0;   // messages ever queued
    std::uint64_t shown_count = 0;    // messages ever taken off the queue and shown

    // The text of the open window as its separate messages, so the oldest
    // can be dropped whole. User-interface thread only (the mutex keeps a
    // stray caller safe).
    std::recursive_mutex display_mutex;
    std::deque<std::string> shown;
    std::size_t shown_length = 0;
};

ErrorWindowState& State() {
    static ErrorWindowState* state = new ErrorWindowState;  // never destroyed
    return *state;
}

std::string JoinShown(const ErrorWindowState& state) {
    std::string text;
    text.reserve(state.shown_length);
    for (const std::string& message : state.shown)
        text += message;
    return text;
}

void AddShown(ErrorWindowState& state, std::string message) {
    // The newest message always shows, cut to the window's limit if it
    // alone is too long; older ones make room, whole.
    message.resize(Utf8CutLength(message.data(), message.size(), kErrorWindowMaxText));
    state.shown_length += message.size();
    state.shown.push_back(std::move(message));
    while (state.shown_length > kErrorWindowMaxText && state.shown.size() > 1) {
        state.shown_length -= state.shown.front().size();
        state.shown.pop_front();
    }
}

bool IsShown(ErrorWindowState& state, std::uint64_t sequence) {
    std::lock_guard<std::mutex> lock(state.queue_mutex);
    return state.shown_count >= sequence;
}

}  // namespace

void ShowPendingErrorMessages() {
    ErrorWindowState& state = State();
    std::lock_guard<std::recursive_mutex> display_lock(state.display_mutex);
    ErrorWindowSink& sink = TheErrorWindowSink();

    std::deque<std::string> batch;
    {
        std::lock_guard<std::mutex> lock(state.queue_mutex);
        batch.swap(state.pending);
    }
    if (batch.empty())
        return;

    bool first = false;
    if (!sink.IsErrorWindowOpen()) {
        if (!sink.OpenErrorWindow()) {
            // Keep them, in order, for the next try.
            std::lock_guard<std::mutex> lock(state.queue_mutex);
            state.pending.insert(state.pending.begin(), batch.begin(), batch.end());
            return;
        }
        // A newly opened window starts empty.
        state.shown.clear();
        state.shown_length = 0;
        first = true;
    }
    for (std::string& message : batch) {
        message += first ? "\r\n\r\n" : "\r\n";
        first = false;
        AddShown(state, std::move(message));
    }
    const bool set = sink.SetErrorWindowText(JoinShown(state));
    {
        // Counted as handled either way, so no waiting caller outlasts this.
        LastErrorKeeper keeper;  // the failed call's code is the one to report
        std::lock_guard<std::mutex> lock(state.queue_mutex);
        state.shown_count += batch.size();
    }
    if (!set)
        ReportFatalErrorWithCode("SetDlgItemText() failed");
}

void AppendToErrorWindow(const std::string& message) {
    LastErrorKeeper keeper;  // also the code this report began with
    const int code = GetLastErrorCode();
    std::string laid_out = "- " + TimestampText(TheClock().GetLocalTime()) + ": " + message +
                           "\r\nError code " + std::to_string(code) + "\r\n";

    ErrorWindowState& state = State();
    std::uint64_t sequence;
    {
        std::lock_guard<std::mutex> lock(state.queue_mutex);
        state.pending.push_back(std::move(laid_out));
        sequence = ++state.queued_count;
    }

    ErrorWindowSink& sink = TheErrorWindowSink();
    if (sink.OnUserInterfaceThread()) {
        // Waiting for ourselves would never end: open the window directly.
        ShowPendingErrorMessages();
        return;
    }

    // Ask the user-interface thread and wait for it to show the message;
    // until a clock window exists there is nobody to ask, so keep asking.
    bool asked = false;
    for (int waited = 0; waited <= kWaitBoundMs; waited += kPollMs) {
        if (!asked)
            asked = sink.RequestErrorWindow();
        if (asked && IsShown(state, sequence))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

std::size_t PendingErrorMessageCount() {
    std::lock_guard<std::mutex> lock(State().queue_mutex);
    return State().pending.size();
}

void ResetErrorWindowForTest() {
    ErrorWindowState& state = State();
    std::lock_guard<std::recursive_mutex> display_lock(state.display_mutex);
    std::lock_guard<std::mutex> lock(state.queue_mutex);
    state.shown_count += state.pending.size();
    state.pending.clear();
    state.shown.clear();
    state.shown_length = 0;
}

}  // namespace orvane
