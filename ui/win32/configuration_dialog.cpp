#include "ui/win32/configuration_dialog.h"

#include "settings/win32/config_dialog.h"
#include "ui/win32/help_viewer.h"
#include "ui/win32/ui_state.h"

namespace orvane {

namespace {

void KeepHandle(HWND dialog) {
    Ui().configuration_dialog.store(dialog);
}

}  // namespace

void OpenConfigurationDialog(HWND parent) {
    SetConfigDialogHelp(ShowHelp, Ui().help_path.c_str());
    SetConfigDialogHandleObserver(KeepHandle);
    OpenConfigurationDialogModeless(parent);
}

HWND ConfigurationDialogHandle() {
    return ConfigurationDialogWindow();
}

void SetSettingsAppliedHandler(SettingsAppliedHandler handler) {
    SetConfigDialogAppliedHandler(handler);
}

void WriteConfigurationDumpFromDialog() {
    WriteConfigurationDump(ConfigurationDialogWindow());
}

}  // namespace orvane
