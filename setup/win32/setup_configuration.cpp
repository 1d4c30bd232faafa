#include "setup/win32/setup_configuration.h"

#include <windows.h>

#include "settings/win32/config_dialog.h"
#include "setup/win32/wizard_state.h"

namespace orvane {

namespace {

BOOL ShowHelp(HWND window, const char* help_path, UINT command, ULONG_PTR data) {
    return WinHelpA(window, help_path, command, data);
}

}  // namespace

void OpenSetupConfigurationDialog() {
    // Context help from the help file found at start, when there is one.
    SetConfigDialogHelp(Wizard().help_path[0] != '\0' ? ShowHelp : nullptr, Wizard().help_path);
    // No parent: the wizard's frame is hidden while the dialog is open. The
    // dialog reloads the settings just written and saves them on OK.
    RunConfigurationDialogModal(nullptr);
}

}  // namespace orvane
