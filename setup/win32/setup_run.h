// What this run of Setup was asked for on its command line and what it
// reports: the wizard's boxes and the steps of a quiet installation.
#pragma once

#include "setup/command_line.h"

namespace orvane {

struct SetupRun {
    InstallerOptions options;
    InstallerReport report;
    // Set at Finish (the wizard's) or at the end of a quiet installation;
    // a wizard left before that was cancelled.
    bool finished = false;
};

SetupRun& TheSetupRun();

// The box in front of the wizard, or only a log line when quiet.
int SetupBox(const std::string& text, const char* caption, unsigned style, int quiet_answer);
// The same for a failure: Setup then ends with 1603.
void SetupFailure(const std::string& text, unsigned style);

// The exit code for the run as it stands.
int SetupExitCode();

}  // namespace orvane
