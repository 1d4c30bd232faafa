// Setup's program-wide state: the wizard's windows and what the pages
// hold between the steps.
#pragma once

#include <windows.h>

#include "setup/time_service_setup.h"

namespace orvane {

enum SetupPage { kWelcomePage = 0, kFolderPage = 1, kProgressPage = 2, kDonePage = 3 };
constexpr int kSetupPageCount = 4;

struct WizardState {
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HWND frame = nullptr;
    HWND pages[kSetupPageCount] = {};
    int current = kWelcomePage;
    // The install folder as taken from edit 2708.
    char install_folder[MAX_PATH] = {};
    // "Orvane.hlp" where the search path finds it, else empty.
    char help_path[MAX_PATH] = {};
    // While the installation or the Finish steps run (and the wizard keeps
    // handling messages), its buttons and close box do nothing.
    bool busy = false;
    // What the installation made of the Orvane Time Service; Finish hands
    // Windows Time over only when that is not a failure.
    TimeServiceSetup time_service = TimeServiceSetup::kNotUsed;
};

WizardState& Wizard();

}  // namespace orvane
