// Opening modeless dialogs from their templates and centring windows.
#pragma once

#include <windows.h>

namespace orvane {

// Finds, loads and locks the dialog template, creates the modeless dialog
// from it with the parent and procedure, and releases the resource. Null
// when the template is missing or the dialog could not be made.
HWND OpenDialogFromTemplate(int template_id, HWND parent, DLGPROC procedure);

// Moves the window to the middle of the reference window (the desktop when
// null), pulled back so it stays on the screen, never left of or above 0.
void CentreWindow(HWND window, HWND reference);

}  // namespace orvane
