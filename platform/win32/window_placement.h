// Where the installer's and uninstaller's windows first appear.
#pragma once

#include <windows.h>

namespace orvane {

// Centre of the desktop, never left of or above its origin.
void CentreOnDesktop(HWND window);

}  // namespace orvane
