#include "ui/win32/error_window_dialog.h"

#include <memory>

#include "platform/win32/wide_text.h"
#include "ui/resource_ids.h"
#include "ui/win32/configuration_dialog.h"
#include "ui/win32/dialog_support.h"
#include "ui/win32/status_dialog.h"
#include "ui/win32/ui_state.h"

namespace orvane {

namespace {

INT_PTR OnErrorWindowInit(HWND dialog) {
    Ui().error_window.store(dialog);
    // Room for the whole text the core keeps.
    SendDlgItemMessageW(dialog, IDC_ERROR_TEXT, EM_SETLIMITTEXT, 5000, 0);
    return TRUE;
}

INT_PTR OnErrorWindowCommand(HWND dialog, WPARAM wparam) {
    switch (LOWORD(wparam)) {
        case IDOK:
        case IDCANCEL:
        case IDC_ERROR_CLOSE:
            DestroyWindow(dialog);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR OnErrorWindowDestroy() {
    // Forgetting the window makes the next message open a new, empty one.
    Ui().error_window.store(nullptr);
    return FALSE;
}

INT_PTR CALLBACK ErrorWindowProc(HWND dialog, UINT msg, WPARAM wparam, LPARAM) {
    switch (msg) {
        case WM_INITDIALOG:
            return OnErrorWindowInit(dialog);
        case WM_COMMAND:
            return OnErrorWindowCommand(dialog, wparam);
        case WM_DESTROY:
            return OnErrorWindowDestroy();
        default:
            return FALSE;
    }
}

}  // namespace

bool OpenErrorWindow() {
    HWND open = Ui().error_window.load();
    if (open != nullptr) {
        SetForegroundWindow(open);
        return true;
    }
    return OpenDialogFromTemplate(IDD_ERROR_WINDOW, Ui().clock_window.load(), ErrorWindowProc) !=
           nullptr;
}

bool Win32ErrorWindowSink::OnUserInterfaceThread() {
    return GetCurrentThreadId() == Ui().ui_thread_id;
}

bool Win32ErrorWindowSink::RequestErrorWindow() {
    HWND clock = Ui().clock_window.load();
    if (clock == nullptr)
        return false;
    return PostMessageW(clock, WM_COMMAND, IDM_OPEN_ERROR_WINDOW, 0) != FALSE;
}

bool Win32ErrorWindowSink::IsErrorWindowOpen() {
    return Ui().error_window.load() != nullptr;
}

bool Win32ErrorWindowSink::OpenErrorWindow() {
    return orvane::OpenErrorWindow();
}

bool Win32ErrorWindowSink::SetErrorWindowText(const std::string& text) {
    HWND window = Ui().error_window.load();
    if (window == nullptr)
        return false;
    if (!SetDlgItemTextUtf8(window, IDC_ERROR_TEXT, text))
        return false;
    // The newest message is at the end: show it. The end counts the edit's
    // characters, not the text's UTF-8 bytes.
    HWND edit = GetDlgItem(window, IDC_ERROR_TEXT);
    const int end = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(edit, EM_SCROLLCARET, 0, 0);
    return true;
}

void Win32EngineUiSink::RefreshStatusDialog(const LastUpdateRecord& record) {
    RequestStatusRefresh(record);
}

void Win32EngineUiSink::PostInformationBox(const std::string& text, const std::string& caption) {
    HWND clock = Ui().clock_window.load();
    if (clock == nullptr)
        return;
    auto request = std::make_unique<InformationBoxRequest>(InformationBoxRequest{text, caption});
    if (PostMessageW(clock, kInformationBoxMessage, 0, reinterpret_cast<LPARAM>(request.get())))
        request.release();  // the clock window owns it now
}

bool Win32EngineUiSink::AskYesNoQuestion(const std::string& text, const std::string& caption) {
    HWND clock = Ui().clock_window.load();
    if (clock == nullptr)
        return false;
    // Sent, so this thread waits while the user-interface thread shows the
    // box; a clock window destroyed meanwhile makes the send return 0.
    QuestionBoxRequest request{text, caption};
    return SendMessageW(clock, kQuestionBoxMessage, 0, reinterpret_cast<LPARAM>(&request)) == IDYES;
}

bool Win32EngineUiSink::IsConfigurationDialogOpen() {
    return ConfigurationDialogHandle() != nullptr;
}

}  // namespace orvane
