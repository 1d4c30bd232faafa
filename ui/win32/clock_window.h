// The clock window and the hidden taskbar window that owns it.
#pragma once

#include <windows.h>

namespace orvane {

// Takes the snapshots, registers the classes, creates both windows (the
// clock from the clamped settings), loads the popup menu, applies the
// window settings and sets up the fonts. Failures are fatal.
void CreateWindows();

// The rule for "Always on top", "Hide in tray" and "Hide taskbar button".
void ApplyWindowSettings();

// Shutdown: destroys the clock window (its dialogs go with it).
void DestroyClockWindow();

// Shows or hides the taskbar window, and with it the taskbar button.
void ShowTaskbarWindow(bool show);

}  // namespace orvane
