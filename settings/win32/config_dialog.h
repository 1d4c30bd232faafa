// The configuration dialog as both programs use it: modeless from the clock
// window in Orvane.exe, modal (settings reloaded from the registry first) in
// Setup.exe. The frame holds four pages, Server, Connection, User Interface
// and Logging, that edit a working copy of the live settings; OK looks the
// server up, puts the working copy in place of the live record, saves it
// (the machine part only when the dialog changed a machine setting) and
// runs the settings-applied handler. Also the helpers the dialogs share:
// the cancellable name lookups, the folder browser, control texts. Texts
// are UTF-8 here and reach Windows through the W functions. User-interface
// thread only, except ConfigurationDialogWindow.
#pragma once

#include <windows.h>

#include <string>

#include "platform/sockets.h"

namespace orvane {

// The program's help viewer (WinHelp's arguments, the path in UTF-8);
// none: no context help.
using ConfigHelpViewer = BOOL (*)(HWND window, const char* help_path, UINT command, ULONG_PTR data);
using ConfigAppliedHandler = void (*)();
// Told the frame's handle when it opens and null when it closes.
using ConfigHandleObserver = void (*)(HWND dialog);

// The help viewer and the help file path (kept by pointer, read at each
// request).
void SetConfigDialogHelp(ConfigHelpViewer viewer, const char* help_path);
// Run after OK has copied and saved the settings; Setup sets none.
void SetConfigDialogAppliedHandler(ConfigAppliedHandler handler);
void SetConfigDialogHandleObserver(ConfigHandleObserver observer);

// Orvane.exe: brings an open dialog to the foreground, else creates it
// modeless, owned by the parent, and returns at once. The frame's handle,
// or null when the template is missing.
HWND OpenConfigurationDialogModeless(HWND parent);

// Setup.exe: loads the live settings from the registry, then runs the
// dialog modally (owner may be null) until OK or Cancel. 1 after OK (the
// settings saved), 0 after Cancel, -1 when the dialog could not be shown.
// Starts and stops Windows Sockets around the dialog itself. An open
// dialog is only brought forward (result 0).
int RunConfigurationDialogModal(HWND owner);

// The open frame, or null. Any thread.
HWND ConfigurationDialogWindow();

// F12: writes "c:\Orvane configuration.txt" from the live settings and,
// when that worked, says so in a message box owned by the owner.
void WriteConfigurationDump(HWND owner);

// Name to address without blocking the user interface: a small modal
// "Lookup" dialog owned by the owner, which the user can cancel. 1 and the
// host's first IPv4 address in address->address, or 0 (then the thread's
// Winsock error tells why, when Winsock told).
int ForwardLookup(const char* host_name, net::SocketAddress* address, HWND owner);
// Address to name; name holds at least 260 bytes. 1 and the host's name, or
// 0 and "[unknown]".
int ReverseLookup(const net::SocketAddress* address, char* name, HWND owner);

// The shell's folder browser: true and the chosen folder (UTF-8, at most
// MAX_PATH units) in *path, else false. start_folder, when not empty, is
// selected at first.
bool BrowseForFolder(std::string* path, const std::string& title, HWND owner,
                     const std::string& start_folder);

// Limits the edit control to the given number of characters (UTF-16
// units), then sets its text (UTF-8).
void SetEditTextWithLimit(HWND window, int control, int limit, const char* text);
// The control's whole text as UTF-8; empty when there is no such control.
std::string ControlText(HWND page, int id);
bool IsChecked(HWND page, int id);

}  // namespace orvane
