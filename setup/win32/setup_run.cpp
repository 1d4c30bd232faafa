#include "setup/win32/setup_run.h"

#include <windows.h>

#include "setup/win32/installation.h"

namespace orvane {

SetupRun& TheSetupRun() {
    static SetupRun* run = new SetupRun;  // never destroyed: the fatal report may use it at exit
    return *run;
}

int SetupBox(const std::string& text, const char* caption, unsigned style, int quiet_answer) {
    return TheSetupRun().report.Box(text, caption, style, quiet_answer);
}

void SetupFailure(const std::string& text, unsigned style) {
    TheSetupRun().report.Failure(text, kSetupErrorCaption, style);
}

int SetupExitCode() {
    const SetupRun& run = TheSetupRun();
    if (run.report.Failed())
        return ExitCodeFor(InstallerOutcome::kFailed);
    return ExitCodeFor(run.finished ? InstallerOutcome::kSucceeded : InstallerOutcome::kCancelled);
}

}  // namespace orvane
