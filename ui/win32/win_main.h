// The program's entry and exit: start-up, the message loop, shutdown.
#pragma once

namespace orvane {

// The shutdown sequence; runs once, later calls do nothing (it may be run
// at the end of the Windows session and again after the loop).
void Shutdown();

}  // namespace orvane
