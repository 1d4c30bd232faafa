#include "platform/win32/ui_sinks_win32.h"

#include <windows.h>

#include "platform/win32/wide_text.h"

namespace orvane {

void Win32MessageBoxSink::Beep(unsigned icon_type) {
    ::MessageBeep(icon_type);
}

int Win32MessageBoxSink::ShowMessageBox(const std::string& text, const std::string& caption,
                                        unsigned style) {
    return MessageBoxUtf8(nullptr, text, caption, style);
}

void Win32ProcessExit::Exit(unsigned code) {
    ::ExitProcess(code);
}

}  // namespace orvane
