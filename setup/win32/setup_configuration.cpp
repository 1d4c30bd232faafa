#include "setup/win32/setup_configuration.h"

#include <windows.h>

#include "settings/win32/config_dialog.h"
#include "setup/win32/wizard_state.h"
#include "ui/win32/help_viewer.h"

namespace orvane {

void OpenSetupConfigurationDialog() {
    // Context help from the help file found at start, when there is one, in
    // the program's own viewer as in Orvane.exe.
    SetHelpViewerIcon(Wizard().icon);
    SetConfigDialogHelp(Wizard().help_path.empty() ? nullptr : ShowHelp,
                        Wizard().help_path.c_str());
    // No parent: the wizard's frame is hidden while the dialog is open. The
    // dialog reloads the settings just written and saves them on OK.
    RunConfigurationDialogModal(nullptr);
}

}  // namespace orvane
