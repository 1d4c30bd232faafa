// The clock window's way into the configuration dialog (settings/win32/
// config_dialog.h): opened modeless, owned by the clock window, with the
// program's help viewer and its handle kept in the user-interface state for
// the message loop.
#pragma once

#include <windows.h>

namespace orvane {

using SettingsAppliedHandler = void (*)();

// Brings an open dialog forward, else opens it modeless with the parent.
void OpenConfigurationDialog(HWND parent);
// The open dialog's window, or null. Any thread.
HWND ConfigurationDialogHandle();
// Run by the dialog after its OK has copied and saved the settings.
void SetSettingsAppliedHandler(SettingsAppliedHandler handler);

// F12 in the configuration dialog: the configuration dump.
void WriteConfigurationDumpFromDialog();

}  // namespace orvane
