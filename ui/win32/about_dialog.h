// The About dialog (dialog 30053): name, version, the maker's logo and
// address; closes itself after ten seconds. A click on the logo opens the
// maker's web page.
#pragma once

#include <windows.h>

namespace orvane {

constexpr char kMakerWebAddress[] = "https://www.pellmoor.example/orvane/";

// True when the dialog was opened; false when it was open already (it then
// gets the focus and the system beeps).
bool OpenAboutDialog(HWND owner);

}  // namespace orvane
