// Closing a program in every session through the Restart Manager (Windows
// Vista and later) before Setup replaces its file or Uninstall removes it:
// a window message reaches only the programs of Setup's own session.
// rstrtmgr.dll is not one of the libraries Windows always takes from the
// system folder, so it is looked up from there when first needed instead
// of imported (as iphlpapi.dll is).
#pragma once

#include <string>

namespace orvane {

// Asks every process whose program is the file at `program_path` (UTF-8), in
// whatever session it runs, to close, and returns once they have ended;
// one that does not respond is ended after the Restart Manager's
// time-out. Only processes of that very file are closed, never another
// program that merely has it open. 0 when none runs any more (none ran,
// or the file is not there), else the Windows error code of the step that
// failed: ERROR_MOD_NOT_FOUND or ERROR_PROC_NOT_FOUND where Windows has no
// Restart Manager, RmShutdown's ERROR_FAIL_SHUTDOWN or
// ERROR_FAIL_NOACTION_REBOOT when some could not be closed (the Restart
// Manager may refuse programs of another user's session). Never fatal:
// the callers go on with their own close of this session's window.
int CloseProgramInEverySession(const std::string& program_path);

}  // namespace orvane
