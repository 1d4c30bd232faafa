// The wizard frame 2700 and its pages 2701 to 2704.
#pragma once

#include <windows.h>

namespace orvane {

// Creates the frame (modeless, without parent), which creates its pages
// and shows page 1. Null when it could not be made.
HWND CreateWizardFrame();

// Hands a message to the frame and then to the current page; true when
// either took it.
bool WizardTakesMessage(MSG* message);

// Destroys the pages and the frame.
void DestroyWizard();

}  // namespace orvane
