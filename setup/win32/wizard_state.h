// Setup's program-wide state: the wizard's windows and what the pages
// hold between the steps.
#pragma once

#include <windows.h>

#include <string>

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
    // The install folder as taken from edit 2708 (UTF-8).
    std::string install_folder;
    // "Orvane.hlp" where the search path finds it, else empty; set once
    // before the configuration dialog keeps a pointer to its text.
    std::string help_path;
    // The banner bitmap drawn at the pages' scale, made once and shared by
    // their picture controls; deleted with the wizard.
    HBITMAP banner = nullptr;
    int banner_dpi = 0;
    // While the installation or the Finish steps run (and the wizard keeps
    // handling messages), its buttons and close box do nothing.
    bool busy = false;
    // What the installation made of the Orvane Time Service; Finish hands
    // Windows Time over only when that is not a failure.
    TimeServiceSetup time_service = TimeServiceSetup::kNotUsed;
};

WizardState& Wizard();

}  // namespace orvane
