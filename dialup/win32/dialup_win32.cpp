#include "dialup/win32/dialup_win32.h"

#include "dialup/dial_entries.h"
#include "dialup/dialup_module.h"
#include "dialup/ras_dialup.h"
#include "dialup/win32/dial_progress_dialog_win32.h"
#include "platform/win32/ras_library_win32.h"

namespace orvane {

void InstallWin32Dialup() {
    // Never destroyed: the monitor and the library's threads use it until
    // the process ends.
    static Win32DialProgressUi* ui = new Win32DialProgressUi;
    static RasDialup* module = new RasDialup(Win32RasLibraryMaker(), ui);
    UseDialupModule(module);
}

void FillDialEntryComboBox(HWND combo_box, const std::string& configured) {
    const std::vector<std::string> entries = EnumerateDialEntries();
    if (entries.empty())
        return;
    for (const std::string& entry : entries) {
        // Inserted at the end: the listed order stands even in a sorted box.
        SendMessageA(combo_box, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(entry.c_str()));
    }
    const int selected = DialEntryToSelect(entries, configured);
    if (selected >= 0)
        SendMessageA(combo_box, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void EnumerateDialEntries(HWND combo_box) {
    FillDialEntryComboBox(combo_box, TheDialupModule().GetDialEntryName());
}

}  // namespace orvane
