// Where windows with no owner to centre over first appear: the installer's,
// the uninstaller's and the dial-up progress dialog.
#pragma once

#include <windows.h>

namespace orvane {

// Centre of the desktop, never left of or above its origin.
void CentreOnDesktop(HWND window);

}  // namespace orvane
