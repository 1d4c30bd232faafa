// The cancellable name lookups: a small modal dialog starts a lookup off
// the user interface's thread and waits for its answer as a window message,
// so the user interface keeps running and the user can cancel. A name is
// looked up as the rounds look it up (every IPv4 and IPv6 address, within
// the rounds' time limit); an address through Winsock's asynchronous
// request.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "platform/win32/wide_text.h"
#include "platform/win32/window_placement.h"
#include "settings/config_dialog_ids.h"
#include "platform/fixed_text.h"
#include "platform/last_error.h"
#include "platform/name_lookup.h"
#include "settings/ipv4_text.h"
#include "settings/win32/config_dialog.h"
#include "settings/win32/config_dialog_internal.h"

namespace orvane {

namespace {

// The request's answer. Not WM_USER + 1: in a dialog that number is
// DM_SETDEFID, which the dialog manager may send itself.
constexpr UINT kLookupAnswerMessage = WM_APP + 1;
constexpr int kHostEntryBufferSize = MAXGETHOSTSTRUCT;  // 1024
constexpr int kNameCapacity = 260;

// A name lookup on its worker thread, shared with the dialog: the worker
// may finish long after the dialog has gone.
struct NameTask {
    std::mutex mutex;
    HWND dialog = nullptr;  // cleared before the dialog is destroyed
    bool found = false;
    int error = 0;
    std::vector<net::SocketAddress> addresses;
};

struct Lookup {
    bool forward = true;
    // Both set until a failure or a cancel clears them; both still set
    // after the dialog means success.
    const char* host_name = nullptr;
    char* name = nullptr;
    net::SocketAddress* address = nullptr;
    HANDLE task = nullptr;
    // The host entry the request writes into. A cancelled request is left
    // to finish on its own and still owns its buffer, so that buffer is
    // never reused or freed.
    char* buffer = nullptr;
    std::shared_ptr<NameTask> name_task;
    // Why a forward lookup failed, for the caller's last-error value.
    int error = 0;
};

Lookup current_lookup;

void Fail(Lookup& lookup) {
    lookup.name = nullptr;
    lookup.address = nullptr;
}

// The dialog stops hearing from the worker; after this no answer is posted
// to its handle.
void ForgetNameTask(Lookup& lookup) {
    if (lookup.name_task == nullptr)
        return;
    std::lock_guard<std::mutex> lock(lookup.name_task->mutex);
    lookup.name_task->dialog = nullptr;
}

void LookUpName(std::shared_ptr<NameTask> task, std::string host_name) {
    // Holds Winsock for the worker: the dialog's owner may stop it before
    // a lookup left to finish has finished.
    WSADATA data;
    const bool sockets = WSAStartup(MAKEWORD(1, 1), &data) == 0;
    std::vector<net::SocketAddress> addresses;
    const bool found = TheNameLookup().LookUpAddresses(host_name, kNameLookupLimitMs, &addresses);
    const int error = found ? 0 : GetLastErrorCode();
    if (sockets)
        WSACleanup();
    std::lock_guard<std::mutex> lock(task->mutex);
    task->found = found;
    task->error = error;
    task->addresses = std::move(addresses);
    if (task->dialog != nullptr) {
        PostMessageW(task->dialog, kLookupAnswerMessage, reinterpret_cast<WPARAM>(task.get()), 0);
    }
}

bool StartNameTask(HWND dialog, Lookup& lookup) {
    lookup.name_task = std::make_shared<NameTask>();
    lookup.name_task->dialog = dialog;
    try {
        std::thread(LookUpName, lookup.name_task, std::string(lookup.host_name)).detach();
    } catch (const std::system_error&) {
        lookup.name_task = nullptr;
        return false;
    }
    return true;
}

// The first IPv4 address, or none (0.0.0.0) for a name with IPv6 addresses
// only: the rounds look such a name up each time.
void TakeNameAnswer(HWND dialog, Lookup& lookup) {
    NameTask& task = *lookup.name_task;
    {
        std::lock_guard<std::mutex> lock(task.mutex);
        task.dialog = nullptr;
        if (task.found && !task.addresses.empty()) {
            const auto ipv4 = std::find_if(
                task.addresses.begin(), task.addresses.end(),
                [](const net::SocketAddress& a) { return a.family == net::kAfInet; });
            lookup.address->address = ipv4 != task.addresses.end() ? ipv4->address : 0;
        } else {
            lookup.error = task.error;
            Fail(lookup);
        }
    }
    lookup.name_task = nullptr;
    EndDialog(dialog, 0);
}

void Start(HWND dialog, Lookup& lookup) {
    if (lookup.forward) {
        SetDlgItemTextUtf8(dialog, IDC_LOOKUP_TEXT,
                           "Converting \"" + std::string(lookup.host_name) + "\" to an IP address...");
        if (!StartNameTask(dialog, lookup)) {
            Fail(lookup);
            EndDialog(dialog, 0);
        }
        return;
    }
    SetDlgItemTextUtf8(dialog, IDC_LOOKUP_TEXT,
                       "Converting IP address \"" + Ipv4AddressToText(lookup.address->address) +
                           "\" to a name...");
    lookup.buffer = new char[kHostEntryBufferSize]();
    lookup.task = WSAAsyncGetHostByAddr(dialog, kLookupAnswerMessage,
                                        reinterpret_cast<const char*>(&lookup.address->address), 4,
                                        AF_INET, lookup.buffer, kHostEntryBufferSize);
    if (lookup.task == nullptr) {
        delete[] lookup.buffer;
        lookup.buffer = nullptr;
        Fail(lookup);
        EndDialog(dialog, 0);
    }
}

// A reverse lookup's answer.
void TakeAnswer(HWND dialog, Lookup& lookup, LPARAM lparam) {
    const int error = WSAGETASYNCERROR(lparam);
    const auto* host = reinterpret_cast<const hostent*>(lookup.buffer);
    if (error != 0) {
        WSASetLastError(error);
        Fail(lookup);
    } else if (host->h_name != nullptr) {
        CopyToField(lookup.name, kNameCapacity, host->h_name);
    } else {
        Fail(lookup);
    }
    delete[] lookup.buffer;
    lookup.buffer = nullptr;
    lookup.task = nullptr;
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK LookupProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    Lookup& lookup = current_lookup;
    switch (message) {
        case WM_INITDIALOG:
            CentreWindow(dialog, GetParent(dialog));
            Start(dialog, lookup);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL) {
                ForgetNameTask(lookup);
                lookup.name_task = nullptr;
                Fail(lookup);
                lookup.buffer = nullptr;  // stays with the unfinished request
                lookup.task = nullptr;
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        case kLookupAnswerMessage:
            // Only the answer to this dialog's own request counts.
            if (lookup.name_task != nullptr &&
                wparam == reinterpret_cast<WPARAM>(lookup.name_task.get())) {
                TakeNameAnswer(dialog, lookup);
            } else if (lookup.task != nullptr && reinterpret_cast<HANDLE>(wparam) == lookup.task) {
                TakeAnswer(dialog, lookup, lparam);
            }
            return TRUE;
        case WM_DESTROY:
            ForgetNameTask(lookup);
            return FALSE;
        default:
            return FALSE;
    }
}

// Runs the dialog; true when the pointers survived it.
bool RunLookup(HWND owner) {
    const INT_PTR shown = DialogBoxParamW(config_dialog::Instance(), MAKEINTRESOURCEW(IDD_LOOKUP),
                                          owner, LookupProc, 0);
    // A dialog that went without an answer or a cancel (its owner was
    // destroyed) leaves its request unanswered.
    const bool answered = current_lookup.task == nullptr && current_lookup.name_task == nullptr;
    const bool success = shown != -1 && answered && current_lookup.address != nullptr &&
                         (current_lookup.forward || current_lookup.name != nullptr);
    if (current_lookup.task != nullptr) {
        // Leave the buffer to the request.
        current_lookup.task = nullptr;
        current_lookup.buffer = nullptr;
    }
    ForgetNameTask(current_lookup);
    current_lookup.name_task = nullptr;
    Fail(current_lookup);
    current_lookup.host_name = nullptr;
    return success;
}

}  // namespace

int ForwardLookup(const char* host_name, net::SocketAddress* address, HWND owner) {
    current_lookup = Lookup{};
    current_lookup.forward = true;
    current_lookup.host_name = host_name;
    current_lookup.address = address;
    current_lookup.name = nullptr;
    if (RunLookup(owner))
        return 1;
    // Last, so that nothing the dialog did since replaces it.
    const int error = current_lookup.error != 0 ? current_lookup.error : WSAHOST_NOT_FOUND;
    WSASetLastError(error);
    SetLastErrorCode(error);
    return 0;
}

int ReverseLookup(const net::SocketAddress* address, char* name, HWND owner) {
    // The lookup only reads the address; a copy keeps it that way.
    net::SocketAddress copy = *address;
    current_lookup = Lookup{};
    current_lookup.forward = false;
    current_lookup.address = &copy;
    current_lookup.name = name;
    std::memset(name, 0, kNameCapacity);
    if (RunLookup(owner))
        return 1;
    std::strcpy(name, "[unknown]");
    return 0;
}

}  // namespace orvane
