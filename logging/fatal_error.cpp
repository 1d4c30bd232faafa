#include "logging/fatal_error.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

#include "platform/last_error.h"
#include "platform/ui_sinks.h"

namespace orvane {

namespace {

struct FatalState {
    std::mutex name_mutex;
    std::string program_name = "Orvane";
    // Set from the box until the end. A second failure meanwhile, on any
    // thread (the box's own message loop included), ends the process at
    // once instead of showing a second box or waiting for the first.
    std::atomic<bool> reporting{false};
};

FatalState& State() {
    static FatalState* state = new FatalState;  // never destroyed: used up to the end
    return *state;
}

}  // namespace

void SetFatalErrorProgramName(const std::string& name) {
    std::lock_guard<std::mutex> lock(State().name_mutex);
    State().program_name = name;
}

std::string FatalErrorCaption() {
    std::lock_guard<std::mutex> lock(State().name_mutex);
    return State().program_name + " - Fatal Error";
}

void ReportFatalErrorWithCode(const std::string& message) {
    const int code = GetLastErrorCode();  // before anything can change it
    ReportFatalError(message + "\nError code " + std::to_string(code) + ".");
}

void ReportFatalError(const std::string& text) {
    FatalState& state = State();
    if (state.reporting.exchange(true)) {
        TheProcessExit().Exit(0);
        std::abort();  // only a broken stand-in returns from Exit
    }
    // Cleared only when a test's stand-in for the exit throws.
    struct ReportingClear {
        std::atomic<bool>& flag;
        ~ReportingClear() { flag.store(false); }
    } clear{state.reporting};

    const std::string caption = FatalErrorCaption();
    MessageBoxSink& boxes = TheMessageBoxSink();
    boxes.Beep(kMessageBoxIconExclamation);
    boxes.ShowMessageBox(text, caption, kMessageBoxOk | kMessageBoxIconExclamation);
    TheProcessExit().Exit(0);
    // Only a broken stand-in returns from Exit.
    std::abort();
}

}  // namespace orvane
