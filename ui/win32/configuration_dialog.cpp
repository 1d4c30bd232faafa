#include "ui/win32/configuration_dialog.h"

#include "ui/win32/ui_state.h"

namespace orvane {

namespace {
SettingsAppliedHandler applied_handler = nullptr;
}  // namespace

void OpenConfigurationDialog(HWND) {
    HWND open = Ui().configuration_dialog.load();
    if (open != nullptr) SetForegroundWindow(open);
    // Nothing to open yet.
}

HWND ConfigurationDialogHandle() { return Ui().configuration_dialog.load(); }

void SetSettingsAppliedHandler(SettingsAppliedHandler handler) { applied_handler = handler; }

}  // namespace orvane

namespace orvane {

void WriteConfigurationDumpFromDialog() {}

}  // namespace orvane
