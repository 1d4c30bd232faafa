// Opening modeless dialogs from their templates.
#pragma once

#include <windows.h>

namespace orvane {

// Finds, loads and locks the dialog template, creates the modeless dialog
// from it with the parent and procedure, and releases the resource. Null
// when the template is missing or the dialog could not be made.
HWND OpenDialogFromTemplate(int template_id, HWND parent, DLGPROC procedure);

}  // namespace orvane
