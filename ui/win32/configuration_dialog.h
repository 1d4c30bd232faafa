// The clock window's way into the configuration dialog. The dialog itself
// is not built yet: opening it shows nothing, and its handle stays null,
// so nothing counts it as open.
#pragma once

#include <windows.h>

namespace orvane {

using SettingsAppliedHandler = void (*)();

// Brings an open dialog forward, else opens it modeless with the parent.
void OpenConfigurationDialog(HWND parent);
// The open dialog's window, or null.
HWND ConfigurationDialogHandle();
// Run by the dialog after its OK has copied and saved the settings.
void SetSettingsAppliedHandler(SettingsAppliedHandler handler);

}  // namespace orvane

namespace orvane {

// F12 in the configuration dialog: the configuration dump. It comes with
// the dialog; until then there is nothing to dump from.
void WriteConfigurationDumpFromDialog();

}  // namespace orvane
