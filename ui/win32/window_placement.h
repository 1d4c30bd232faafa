// Centring windows: every dialog and frame of Orvane, Setup and Uninstall
// first appears this way.
#pragma once

#include <windows.h>

namespace orvane {

// Moves the window, keeping its size, to the centre of the reference window
// (the desktop when null), kept on the desktop (platform/window_position.h).
void CentreWindow(HWND window, HWND reference);

}  // namespace orvane
