// Shared between the frame and the page procedures of the configuration
// dialog; not for other modules.
#pragma once

#include <windows.h>

#include <string>

#include "settings/config_pages.h"
#include "settings/policy_settings.h"
#include "settings/settings_record.h"

namespace orvane {
namespace config_dialog {

// The working copy the pages edit while the dialog is open.
SettingsRecord& WorkingCopy();
// The policy as the dialog found it when it opened.
const PolicySettings& Policy();
HWND Frame();
HINSTANCE Instance();

// Context help from the table for a WM_HELP or WM_CONTEXTMENU message;
// true when the message was one of those.
bool HandleHelpMessage(UINT message, WPARAM wparam, LPARAM lparam);

// Puts a page view on the page's controls; those the policy holds stay
// disabled.
void ApplyView(HWND page, const PageView& view);
// The tooltip "Set by your administrator" over the page's controls that
// the policy holds.
void AddPolicyTips(HWND page);

INT_PTR CALLBACK ServerPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK ConnectionPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK UserInterfacePageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);
INT_PTR CALLBACK LoggingPageProc(HWND page, UINT message, WPARAM wparam, LPARAM lparam);

void ReadServerPageControls(HWND page, SettingsRecord& working);
void ReadConnectionPageControls(HWND page, SettingsRecord& working);
void ReadUserInterfacePageControls(HWND page, SettingsRecord& working);
void ReadLoggingPageControls(HWND page, SettingsRecord& working);

void DrawFontPreview(HWND page, const char* face_name);

}  // namespace config_dialog
}  // namespace orvane
