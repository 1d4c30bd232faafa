// The time service's named pipe: several instances, each on a thread of its
// own, so one slow client never makes another wait; one request per
// connection, read within 5 s, answered, given 5 s to be read, then closed.
// Only the service's own account may create instances; interactive users,
// SYSTEM and Administrators may read and write.
#pragma once

#include <windows.h>

#include <string>

#include "service/time_service_handler.h"

namespace orvane {

constexpr DWORD kPipeIoLimitMilliseconds = 5000;
constexpr int kPipeInstances = 4;

class PipeServer;

// Creates every instance of the pipe, the first with
// FILE_FLAG_FIRST_PIPE_INSTANCE so that a pipe of that name held by any
// other program makes this fail. Null and the Windows error on failure.
PipeServer* CreatePipeServer(TimeServiceHandler& handler, DWORD* error);

// Serves clients until `stop_event` is signalled; closes every instance and
// frees the server before it returns. `waiting` is called about once a
// second while a stop waits for a client's request to end.
void RunPipeServer(PipeServer* server, HANDLE stop_event, void (*waiting)());

// The pipe's security descriptor in SDDL for the account `sid_text` runs as.
std::string PipeSecurityText(const std::string& sid_text);

}  // namespace orvane
