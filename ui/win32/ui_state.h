// The program-wide user-interface state: the program's name and version,
// the help file path, the handles of the windows and modeless dialogs
// (null while closed) and the clock's fonts. Owned by the user-interface
// thread; the handles other threads look at are atomic.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "ui/clock_layout.h"
#include "ui/settings_applied.h"
#include "ui/window_names.h"

namespace orvane {

constexpr char kProgramName[] = "Orvane";
constexpr char kHelpFileName[] = "Orvane.hlp";
// In UTF-16 units, as the system counts a path.
constexpr int kHelpPathCapacity = 261;

// The notification icon's callback message.
constexpr UINT kNotifyIconMessage = WM_APP + 1;
// A status refresh carried to the user-interface thread; lParam owns a
// heap copy of the last-update record.
constexpr UINT kStatusRefreshMessage = WM_APP + 2;
// The engine's information box, shown by the user-interface thread; lParam
// owns a heap InformationBoxRequest.
constexpr UINT kInformationBoxMessage = WM_APP + 3;
// The engine's yes-or-no question, sent (not posted) to the clock window:
// lParam points at the asking thread's QuestionBoxRequest; the result is
// the button pressed.
constexpr UINT kQuestionBoxMessage = WM_APP + 4;

constexpr UINT_PTR kClockTimerId = 1;
constexpr UINT kClockTimerPeriodMs = 100;

struct UiState {
    HINSTANCE instance = nullptr;
    DWORD ui_thread_id = 0;
    const char* version = "";
    std::string help_path;  // UTF-8; empty when there is no help file

    std::atomic<HWND> clock_window{nullptr};
    HWND taskbar_window = nullptr;
    HMENU menu = nullptr;   // resource 5100
    HMENU popup = nullptr;  // its first sub-menu

    std::atomic<HWND> configuration_dialog{nullptr};
    std::atomic<HWND> error_window{nullptr};
    std::atomic<HWND> status_dialog{nullptr};
    std::atomic<HWND> about_dialog{nullptr};

    ClockFont time_font;
    ClockFont date_font;
    SettingsSnapshots snapshots;
};

UiState& Ui();

}  // namespace orvane
