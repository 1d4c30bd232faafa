#include "setup/win32/message_pump.h"

#include "setup/win32/wizard.h"

namespace orvane {

namespace {

DWORD WINAPI RunWork(LPVOID work) {
    (*static_cast<const std::function<void()>*>(work))();
    return 0;
}

}  // namespace

bool WaitPumpingMessages(HANDLE handle, DWORD milliseconds) {
    const DWORD start = GetTickCount();
    const DWORD count = handle != nullptr ? 1 : 0;
    bool quit = false;
    WPARAM quit_code = 0;
    bool signalled = false;
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        const DWORD left = milliseconds == INFINITE ? INFINITE
                           : waited >= milliseconds ? 0
                                                    : milliseconds - waited;
        const DWORD result =
            MsgWaitForMultipleObjectsEx(count, &handle, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count == 1 && result == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        if (result != WAIT_OBJECT_0 + count)
            break;  // the time has passed, or the wait failed
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quit_code = message.wParam;
                continue;
            }
            if (WizardTakesMessage(&message))
                continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (quit)
        PostQuitMessage(static_cast<int>(quit_code));
    return signalled;
}

void RunPumpingMessages(const std::function<void()>& work) {
    HANDLE thread =
        CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
    if (thread == nullptr) {
        work();
        return;
    }
    WaitPumpingMessages(thread, INFINITE);
    CloseHandle(thread);
}

}  // namespace orvane
