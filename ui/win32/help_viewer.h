// The program's own help viewer, standing in for WinHelp (which Windows 10
// and 11 no longer have): opens the help file (the program's text format,
// ui/help_file.h) at its contents, at a context number, or at the topic of
// a dialog control, in one help window; HELP_QUIT closes it. Orvane.exe
// and Setup.exe both use it. User-interface thread only.
#pragma once

#include <windows.h>

#include "ui/window_names.h"

namespace orvane {

constexpr int kHelpTopicListId = 101;
constexpr int kHelpTextId = 102;

// The WinHelp commands the program uses: HELP_CONTENTS, HELP_CONTEXT
// (data: the context number), HELP_WM_HELP and HELP_CONTEXTMENU (window:
// the control; data: the control-to-context table ending with control 0),
// HELP_QUIT. FALSE when there is no help file or no such command.
BOOL ShowHelp(HWND window, const char* help_path, UINT command, ULONG_PTR data);

// The help window's icon; by default the program's icon resource 1.
void SetHelpViewerIcon(HICON icon);

}  // namespace orvane
