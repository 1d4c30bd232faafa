// What Setup does at Finish: hands time keeping over from Windows Time and,
// when asked, starts the installed program. Setup runs as administrator;
// the program must not inherit that. It is started through the desktop
// shell, as the signed-in user and unelevated, or not at all: where no
// shell runs, it starts at the next log-on through its startup shortcut.
#pragma once

#include <string>

#include "platform/interface_slot.h"
#include "setup/time_service_setup.h"

namespace orvane {

class ShellStarter {
  public:
    virtual ~ShellStarter() = default;
    // Whether a desktop shell runs that can start programs for the user.
    virtual bool ShellAvailable() = 0;
    // Asks that shell to start the program with the folder as its working
    // folder; false when it could not be asked.
    virtual bool StartThroughShell(const std::string& program, const std::string& folder) = 0;
};

inline InterfaceSlot<ShellStarter> installed_shell_starter{"shell starter"};
inline void UseShellStarter(ShellStarter* implementation) {
    installed_shell_starter.Install(implementation);
}
inline ShellStarter& TheShellStarter() {
    return installed_shell_starter.Get();
}

constexpr char kSetupDoneText[] = "Orvane setup completed successfully.";
constexpr char kStartsAtNextLogonText[] = "Orvane starts at your next log-on.";

// The last page's text: the sentence above, and the second one when the
// program is to start but no shell can start it now.
std::string DonePageText(bool start_program, bool shell_available);

// From Windows XP on: Windows Time stopped and set to start on demand;
// where Windows runs the Orvane Time Service, only when the service runs
// (it was installed and started before). True when handed over.
bool HandOverWindowsTime(TimeServiceSetup time_service);

enum class ProgramStart { kNotAsked, kStarted, kNoShell, kFailed };

// "<install folder>\Orvane.exe" through the shell, when asked to.
ProgramStart StartInstalledProgram(const std::string& install_folder, bool start_program);

}  // namespace orvane
