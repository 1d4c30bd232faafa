#include "setup/finish_steps.h"

#include "platform/os_version.h"
#include "service/service_start_type.h"
#include "setup/initial_settings.h"
#include "setup/install_paths.h"

namespace orvane {

std::string DonePageText(bool start_program, bool shell_available) {
    std::string text = kSetupDoneText;
    if (start_program && !shell_available)
        text += std::string("\n\n") + kStartsAtNextLogonText;
    return text;
}

bool HandOverWindowsTime(TimeServiceSetup time_service) {
    // No service to take over: Windows Time must go on keeping the clock.
    if (time_service == TimeServiceSetup::kFailed)
        return false;
    int major = 0;
    int minor = 0;
    int build = 0;
    if (GetOsVersion(&major, &minor, &build) != 1 || !HandsOverWindowsTime(major, minor))
        return false;
    HandOverWindowsTimeService(kUninstallKeyPath);
    return true;
}

ProgramStart StartInstalledProgram(const std::string& install_folder, bool start_program) {
    if (!start_program)
        return ProgramStart::kNotAsked;
    ShellStarter& shell = TheShellStarter();
    if (!shell.ShellAvailable())
        return ProgramStart::kNoShell;
    return shell.StartThroughShell(PathInFolder(install_folder, "Orvane.exe"), install_folder)
               ? ProgramStart::kStarted
               : ProgramStart::kFailed;
}

}  // namespace orvane
