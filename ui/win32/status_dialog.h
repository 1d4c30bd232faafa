// The status dialog (dialog 5200): the details of the last successful
// update, kept current while it is open.
#pragma once

#include <windows.h>

#include "engine/last_update_record.h"

namespace orvane {

// Brings the open dialog to the top, else opens it with the clock window as
// parent.
void OpenStatusDialog();

// Any thread. Does nothing while the dialog is closed; on the
// user-interface thread it writes the fields at once, from another thread
// it hands a copy of the record to the user-interface thread, so a worker
// never waits on a window.
void RequestStatusRefresh(const LastUpdateRecord& record);

// User-interface thread: the clock window's handler for the carried refresh
// (takes ownership of the copy).
void OnStatusRefreshMessage(LPARAM copy);

}  // namespace orvane
