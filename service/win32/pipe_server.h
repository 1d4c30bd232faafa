// The time service's named pipe: one client at a time, one request record
// per message, every read and write limited to 5 s so a silent or stuck
// client cannot hold the service.
#pragma once

#include <windows.h>

#include "service/time_service_handler.h"

namespace orvane {

constexpr DWORD kPipeIoLimitMilliseconds = 5000;
// Interactive users read and write; SYSTEM and Administrators have full
// control; nobody else is let in. Protected from inherited entries.
constexpr char kPipeSecurity[] = "D:P(A;;GA;;;SY)(A;;GA;;;BA)(A;;GRGW;;;IU)";

// Serves clients until `stop_event` is signalled: 0 then, else the Windows
// error that ended it (the pipe could not be made).
DWORD RunPipeServer(TimeServiceHandler& handler, HANDLE stop_event);

}  // namespace orvane
