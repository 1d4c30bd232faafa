// Start and stop of the synchronisation engine: hands every module its
// callbacks and values, and writes the start and stop entries.
#pragma once

namespace orvane {

// Once, after the settings are loaded and before the clock window exists.
// Returns 1.
int StartEngine();
// At shutdown, after the update thread was told to stop. Returns 1; stops
// no thread.
int StopEngine();

}  // namespace orvane
