// The real dial-up module of a Windows program: Remote Access loaded at run
// time, the progress dialog from template 150 (which the program's
// resources must hold), and the phone-book listing into a combo box.
#pragma once

#include <windows.h>

#include <string>

namespace orvane {

// Makes the module and installs it with UseDialupModule; call once, before
// the engine starts. The module lives for the rest of the process.
void InstallWin32Dialup();

// Fills the combo box with the default phone book's entry names, in the
// order listed, and selects the first when `configured` is empty, else the
// one equal to it.
void FillDialEntryComboBox(HWND combo_box, const std::string& configured);

// The same, selecting by the dial-up module's configured entry name.
void EnumerateDialEntries(HWND combo_box);

}  // namespace orvane
