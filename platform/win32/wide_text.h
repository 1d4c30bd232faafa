// Text at the Windows seam: the core keeps UTF-8, Windows takes and gives
// UTF-16 through the W functions, whatever the PC's ANSI code page.
#pragma once

#include <windows.h>

#include <string>

namespace orvane {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);
// Up to the terminator, or `length` units when one is given (a counted
// buffer that need not be terminated).
std::string Narrow(const wchar_t* utf16, int length = -1);

// A window's or control's text, both ways.
void SetWindowTextUtf8(HWND window, const std::string& text);
bool SetDlgItemTextUtf8(HWND dialog, int id, const std::string& text);
std::string WindowTextUtf8(HWND window);
std::string DlgItemTextUtf8(HWND dialog, int id);

// The running program's own file, however long its path and whatever
// language its folders are named in; empty when Windows cannot say.
std::string OwnProgramPath();

// MessageBoxW with UTF-8 texts.
int MessageBoxUtf8(HWND owner, const std::string& text, const std::string& caption, UINT type);

// Text the log files and other byte streams for people carry: UTF-8 where
// the ANSI code page is UTF-8, that code page elsewhere (as log readers of
// earlier versions expect). Characters it cannot hold become its default.
std::string ToAnsiCodePage(const std::string& utf8);

}  // namespace orvane
