#include "platform/win32/ui_sinks_win32.h"

#include <windows.h>

namespace orvane {

void Win32MessageBoxSink::Beep(unsigned icon_type) {
    ::MessageBeep(icon_type);
}

int Win32MessageBoxSink::ShowMessageBox(const std::string& text, const std::string& caption,
                                        unsigned style) {
    return ::MessageBoxA(nullptr, text.c_str(), caption.c_str(), style);
}

void Win32ProcessExit::Exit(unsigned code) {
    ::ExitProcess(code);
}

}  // namespace orvane
