// Resource numbers of Uninstall.exe, shared by its resource script and its
// code. Plain defines, so the resource compiler reads this file too.
#pragma once

#define IDI_UNINSTALL 220

// Progress window.
#define IDD_UNINSTALL_PROGRESS 3000
#define IDC_UNINSTALL_PROGRESS_BAR 3001
#define IDC_UNINSTALL_LABEL 3002
#define IDC_UNINSTALL_CLOSE 3003
