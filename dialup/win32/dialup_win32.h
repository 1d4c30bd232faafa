// The real dial-up module of a Windows program: Remote Access loaded at run
// time and the progress dialog from template 150 (which the program's
// resources must hold).
#pragma once

namespace orvane {

// Makes the module and installs it with UseDialupModule; call once, before
// the engine starts. The module lives for the rest of the process.
void InstallWin32Dialup();

}  // namespace orvane
