#include "dialup/win32/dialup_win32.h"

#include "dialup/dialup_module.h"
#include "dialup/ras_dialup.h"
#include "dialup/win32/dial_progress_dialog_win32.h"
#include "platform/win32/ras_library_win32.h"

namespace orvane {

void InstallWin32Dialup() {
    // Never destroyed: the monitor and the library's threads use it until
    // the process ends.
    static Win32DialProgressUi* ui = new Win32DialProgressUi;
    static RasDialup* module = new RasDialup(Win32RasLibraryMaker(), ui);
    UseDialupModule(module);
}

}  // namespace orvane
