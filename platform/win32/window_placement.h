// Placing windows on the monitors: every dialog and frame of Orvane, Setup
// and Uninstall first appears centred this way, and a window that has
// slipped off the monitors comes back within reach.
#pragma once

#include <windows.h>

#include <vector>

#include "platform/window_position.h"

namespace orvane {

// Moves the window, keeping its size, to the centre of the reference
// window, kept on the work area of the reference's monitor. A null
// reference means the window's owner, or without one the primary monitor's
// work area.
void CentreWindow(HWND window, HWND reference);

// The work areas of every monitor attached to the desktop.
std::vector<ScreenRect> MonitorWorkAreas();

// The rectangle moved the least distance that puts at least 32 by 16 pixels
// of it (all of a smaller one) on a monitor's work area. False, with the
// rectangle unchanged, when it already is reachable.
bool MoveWithinReach(ScreenRect& rect);

}  // namespace orvane
