#include "logging/fatal_error.h"

#include <cstdlib>
#include <mutex>

#include "platform/last_error.h"
#include "platform/ui_sinks.h"

namespace orvane {

namespace {

struct FatalState {
    std::mutex name_mutex;
    std::string program_name = "Orvane";
    // Held from the box until the end: a second failure on another thread
    // waits instead of showing a second box.
    std::mutex report_mutex;
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
    std::lock_guard<std::mutex> lock(State().report_mutex);
    const std::string caption = FatalErrorCaption();
    if (MessageBoxSink* boxes = TheMessageBoxSink()) {
        boxes->Beep(kMessageBoxIconExclamation);
        boxes->ShowMessageBox(text, caption, kMessageBoxOk | kMessageBoxIconExclamation);
    }
    if (ProcessExit* process = TheProcessExit()) {
        process->Exit(0);
    } else {
        std::exit(0);
    }
    // Only a broken stand-in returns from Exit.
    std::abort();
}

}  // namespace orvane
