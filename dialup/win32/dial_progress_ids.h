// Numbers of the dial progress dialog, shared by its resource script and
// the code. Plain defines, so the resource compiler reads this file too.
#pragma once

#define IDD_DIAL_PROGRESS 150
#define IDC_DIAL_PROGRESS_TEXT 151
