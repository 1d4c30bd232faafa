// The notification icon, the popup menu and its commands, the letter keys
// and the handler that applies changed settings.
#pragma once

#include <windows.h>

namespace orvane {

// Fatal "Unable to load icon" when the icon resource cannot be loaded.
void AddNotificationIcon(HWND clock_window);
// Harmless when the icon is not there.
void RemoveNotificationIcon();
// The icon again at the current scale, when the shell has it.
void RefreshNotificationIcon(HWND clock_window);

// "TaskbarCreated": the shell's notice that its taskbar was (re)made, after
// Explorer restarted, with every icon gone.
UINT TaskbarCreatedMessage();
// Adds the icon again: after Explorer restarted, or when the first adding
// failed because the taskbar was not there yet.
void OnTaskbarCreated(HWND clock_window);

// A second copy's request to the running one to show its clock.
UINT ShowClockMessage();
// Brings the clock out of the tray when it is hidden there, and forward.
void ShowClockFromTray();

void OnNotificationIconMessage(WPARAM icon_id, LPARAM mouse_message);
// Right button on the clock window: the menu with "&Settings..." bold.
void ShowPopupMenuFromClock();

// The menu's commands and the internal command 1203.
void HandleCommand(int command);
// "L"/"l" and "Y"/"y" on the clock window.
void HandleCharacter(char character);

// Handed to the configuration dialog; runs after its OK.
void RunSettingsAppliedHandler();

}  // namespace orvane
