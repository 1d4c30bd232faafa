// What Setup and Uninstall take from their command line for an
// installation nobody watches (deployment tools start them with /quiet),
// the exit codes those tools read, and the report that turns each message
// box into a line of the log, and into nothing on the screen when quiet.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/clock_types.h"
#include "platform/ui_sinks.h"

namespace orvane {

// The Windows Installer's numbers, which deployment tools understand.
constexpr int kExitSucceeded = 0;
constexpr int kExitNotAdministrator = 5;   // ERROR_ACCESS_DENIED
constexpr int kExitCancelled = 1602;       // ERROR_INSTALL_USEREXIT
constexpr int kExitFailed = 1603;          // ERROR_INSTALL_FAILURE
constexpr int kExitAlreadyRunning = 1618;  // ERROR_INSTALL_ALREADY_RUNNING
constexpr int kExitRestartNeeded = 3010;   // ERROR_SUCCESS_REBOOT_REQUIRED

enum class InstallerOutcome {
    kSucceeded,
    kRestartNeeded,  // done; an item waits for the next restart to go
    kCancelled,
    kFailed,
    kAlreadyRunning,
    kNotAdministrator,
};

int ExitCodeFor(InstallerOutcome outcome);

// One mutex for both programs, in the namespace every session shares: a
// deployment tool runs them as SYSTEM in session 0 while a user may run
// one on the desktop.
constexpr char kInstallerMutexName[] = "Global\\Orvane Setup or Uninstall";
constexpr char kAnotherInstallerRunningText[] = "Another Orvane Setup or Uninstall is running.";
constexpr char kRestartToFinishText[] = "Restart Windows to finish.";

enum class InstallerProgram { kSetup, kUninstall };

struct InstallerOptions {
    bool quiet = false;
    std::string folder;  // /dir; empty: the default folder
    bool program_group = true;
    bool start_at_logon = true;
    std::string log_path;  // /log; empty: no log
    std::string refusal;   // why the command line is refused; empty when it is not
};

// The arguments of a whole command line (GetCommandLine's text), the
// program's own name left out, split and unquoted as the C runtime does:
// blanks separate, double quotes group, 2n backslashes before a quote give
// n and the quote groups, 2n+1 give n and a literal quote.
std::vector<std::string> CommandLineArguments(const std::string& command_line);

// Switches in either letter case, with "/" or "-": /quiet, /log FILE, and
// for Setup /dir PATH, /nostartup, /nogroup. Anything else, or a switch
// without its value, is refused; /log is still taken, so the refusal can
// be logged.
InstallerOptions ParseInstallerOptions(const std::vector<std::string>& arguments,
                                       InstallerProgram program);

// Whether an uninstallation must be finished by a restart: something it
// scheduled for deletion then is neither Uninstall.exe itself nor its
// folder, which always wait for it.
bool RestartNeededAfterUninstall(const std::vector<std::string>& scheduled,
                                 const std::string& install_folder);

// "YYYY-MM-DD hh:mm:ss <text>" with CR LF; line breaks inside the text
// become spaces, so each entry stays one line.
std::string InstallerLogLine(const SystemTime& local_time, const std::string& text);

// What a run tells: every step and every box goes to the log (when
// /log names one); boxes are shown only when not quiet. An error box, or
// a failure the run cannot recover from, makes the run end with 1603.
class InstallerReport {
  public:
    using BoxShower =
        std::function<int(const std::string& text, const std::string& caption, unsigned style)>;

    void Start(const InstallerOptions& options, BoxShower show);
    bool Quiet() const { return quiet_; }
    void Step(const std::string& text);
    // Shows (or only logs) the box; `quiet_answer` stands for the button a
    // user would press, when quiet.
    int Box(const std::string& text, const std::string& caption, unsigned style, int quiet_answer);
    void Failure(const std::string& text, const std::string& caption, unsigned style);
    bool Failed() const { return failed_; }

  private:
    bool quiet_ = false;
    bool failed_ = false;
    std::string log_path_;
    BoxShower show_;
};

// The fatal-error report's box through a report: logged, and shown only
// when not quiet; the run has failed.
class ReportingMessageBoxSink : public MessageBoxSink {
  public:
    ReportingMessageBoxSink(InstallerReport& report, MessageBoxSink& screen)
        : report_(report), screen_(screen) {}
    void Beep(unsigned icon_type) override;
    int ShowMessageBox(const std::string& text, const std::string& caption,
                       unsigned style) override;

  private:
    InstallerReport& report_;
    MessageBoxSink& screen_;
};

// The fatal-error report ends the process "with 0"; for a deployment tool
// that end is a failure.
class FailedProcessExit : public ProcessExit {
  public:
    explicit FailedProcessExit(ProcessExit& real) : real_(real) {}
    void Exit(unsigned) override { real_.Exit(kExitFailed); }

  private:
    ProcessExit& real_;
};

}  // namespace orvane
