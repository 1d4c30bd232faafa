// Waits during which the wizard stays responsive: its windows keep
// painting and answering while Setup waits for a program to end or for a
// service to stop.
#pragma once

#include <windows.h>

#include <functional>

namespace orvane {

// Waits until the handle is signalled (true) or the time has passed
// (false), handling the thread's messages meanwhile. A null handle only
// waits the time. A quit request that arrives is passed on afterwards.
bool WaitPumpingMessages(HANDLE handle, DWORD milliseconds);

// Runs the work on a thread of its own and waits for it as above.
void RunPumpingMessages(const std::function<void()>& work);

}  // namespace orvane
