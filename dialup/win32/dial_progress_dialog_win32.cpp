#include "dialup/win32/dial_progress_dialog_win32.h"

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <system_error>
#include <thread>

#include "dialup/win32/dial_progress_ids.h"
#include "platform/win32/wide_text.h"
#include "platform/win32/window_placement.h"

namespace orvane {

namespace {

// Requests from other threads reach the dialog as posted messages, so no
// caller ever waits for the dialog's thread (which may itself be busy in
// the Cancel handler).
constexpr UINT kShowMessage = WM_APP + 150;  // wParam: 1 shown, 0 hidden
constexpr UINT kTextMessage = WM_APP + 151;  // lParam: a new UTF-8 std::string, freed here
constexpr UINT kCloseMessage = WM_APP + 152;

struct DialogContext {
    std::function<void(DialUiWindow)> created;
    std::function<void()> cancel;
    // Hidden until told otherwise: the dialog box would show itself.
    std::atomic<bool> visible{false};
};

HWND AsWindow(DialUiWindow window) {
    return reinterpret_cast<HWND>(window);
}

INT_PTR CALLBACK DialProgressProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* context = reinterpret_cast<DialogContext*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
    switch (message) {
        case WM_INITDIALOG:
            context = reinterpret_cast<DialogContext*>(lparam);
            SetWindowLongPtrW(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(context));
            CentreWindow(dialog, nullptr);
            if (context->created)
                context->created(reinterpret_cast<DialUiWindow>(dialog));
            return TRUE;
        case WM_WINDOWPOSCHANGING:
            if (context != nullptr && !context->visible) {
                reinterpret_cast<WINDOWPOS*>(lparam)->flags &= ~SWP_SHOWWINDOW;
            }
            return FALSE;
        case kShowMessage:
            if (context != nullptr)
                context->visible = wparam != 0;
            ShowWindow(dialog, wparam != 0 ? SW_SHOW : SW_HIDE);
            return TRUE;
        case kTextMessage: {
            std::unique_ptr<std::string> text(reinterpret_cast<std::string*>(lparam));
            if (text)
                SetDlgItemTextUtf8(dialog, IDC_DIAL_PROGRESS_TEXT, *text);
            return TRUE;
        }
        case kCloseMessage:
            EndDialog(dialog, 0);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL && context != nullptr && context->cancel) {
                context->cancel();
            }
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool Win32DialProgressUi::StartProgressDialog(DialUiWindow owner,
                                              std::function<void(DialUiWindow)> created,
                                              std::function<void()> cancel) {
    auto context = std::make_shared<DialogContext>();
    context->created = std::move(created);
    context->cancel = std::move(cancel);
    try {
        std::thread([owner, context] {
            // Ends when the dialog is closed.
            DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_DIAL_PROGRESS),
                            AsWindow(owner), DialProgressProc,
                            reinterpret_cast<LPARAM>(context.get()));
        }).detach();
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void Win32DialProgressUi::ShowProgressDialog(DialUiWindow dialog, bool visible) {
    PostMessageW(AsWindow(dialog), kShowMessage, visible ? 1 : 0, 0);
}

void Win32DialProgressUi::SetProgressText(DialUiWindow dialog, const std::string& text) {
    auto* copy = new std::string(text);
    if (!PostMessageW(AsWindow(dialog), kTextMessage, 0, reinterpret_cast<LPARAM>(copy))) {
        delete copy;
    }
}

void Win32DialProgressUi::CloseProgressDialog(DialUiWindow dialog) {
    PostMessageW(AsWindow(dialog), kCloseMessage, 0, 0);
}

void Win32DialProgressUi::PostCommand(DialUiWindow window, int command) {
    PostMessageW(AsWindow(window), WM_COMMAND, static_cast<WPARAM>(command), 0);
}

}  // namespace orvane
