// The desktop shell's own ShellExecute, reached through the shell window
// (IShellWindows::FindWindowSW(SWC_DESKTOP), its top-level browser, the
// background of its view, IShellFolderViewDual's Application): a program
// started there runs in the shell's process's name, as the signed-in user
// and unelevated, whatever Setup's own token.
#pragma once

#include <string>

#include "setup/finish_steps.h"

namespace orvane {

class Win32ShellStarter : public ShellStarter {
  public:
    bool ShellAvailable() override;
    bool StartThroughShell(const std::string& program, const std::string& folder) override;
};

}  // namespace orvane
