// The names Orvane's windows are found by. Setup and Uninstall close a
// running Orvane through its clock window's class; the test programs look
// for the same names.
#pragma once

namespace orvane {

// The classes Orvane.exe registers: the clock window, the hidden window
// that carries the taskbar button, and the help viewer.
constexpr char kClockWindowClass[] = "Orvane Window Class";
constexpr char kTaskbarWindowClass[] = "Orvane Taskbar Window Class";
constexpr char kHelpWindowClass[] = "Orvane Help Window Class";
// The clock window's class in earlier versions, which Setup closes too.
constexpr char kEarlierClockWindowClass[] = "OrvaneWin";

// The system's class of dialog boxes.
constexpr char kDialogWindowClass[] = "#32770";
// The program name in Setup's and Uninstall's fatal-error caption.
constexpr char kInstallWindowTitle[] = "Orvane Install";

}  // namespace orvane
