// The cancellable name lookups: a small modal dialog starts an asynchronous
// Winsock request and waits for its answer as a window message, so the user
// interface keeps running and the user can cancel.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "ui/win32/window_placement.h"
#include "settings/config_dialog_ids.h"
#include "platform/fixed_text.h"
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

struct Lookup {
    bool forward = true;
    // Both set until a failure or a cancel clears them; both still set
    // after the dialog means success.
    const char* host_name = nullptr;
    char* name = nullptr;
    net::SocketAddressIn* address = nullptr;
    HANDLE task = nullptr;
    // The host entry the request writes into. A cancelled request is left
    // to finish on its own and still owns its buffer, so that buffer is
    // never reused or freed.
    char* buffer = nullptr;
};

Lookup current_lookup;

void Fail(Lookup& lookup) {
    lookup.name = nullptr;
    lookup.address = nullptr;
}

void Start(HWND dialog, Lookup& lookup) {
    char text[400];
    lookup.buffer = new char[kHostEntryBufferSize]();
    if (lookup.forward) {
        std::snprintf(text, sizeof text, "Converting \"%s\" to an IP address...", lookup.host_name);
        SetDlgItemTextA(dialog, IDC_LOOKUP_TEXT, text);
        lookup.task = WSAAsyncGetHostByName(dialog, kLookupAnswerMessage, lookup.host_name,
                                            lookup.buffer, kHostEntryBufferSize);
    } else {
        std::snprintf(text, sizeof text, "Converting IP address \"%s\" to a name...",
                      Ipv4AddressToText(lookup.address->address).c_str());
        SetDlgItemTextA(dialog, IDC_LOOKUP_TEXT, text);
        lookup.task = WSAAsyncGetHostByAddr(dialog, kLookupAnswerMessage,
                                            reinterpret_cast<const char*>(&lookup.address->address),
                                            4, AF_INET, lookup.buffer, kHostEntryBufferSize);
    }
    if (lookup.task == nullptr) {
        delete[] lookup.buffer;
        lookup.buffer = nullptr;
        Fail(lookup);
        EndDialog(dialog, 0);
    }
}

void TakeAnswer(HWND dialog, Lookup& lookup, LPARAM lparam) {
    const int error = WSAGETASYNCERROR(lparam);
    const auto* host = reinterpret_cast<const hostent*>(lookup.buffer);
    if (error != 0) {
        WSASetLastError(error);
        Fail(lookup);
    } else if (lookup.forward) {
        if (host->h_addrtype == AF_INET && host->h_addr_list != nullptr &&
            host->h_addr_list[0] != nullptr && host->h_length > 0) {
            // Never more than the four bytes the address has room for.
            const std::size_t length = std::min<std::size_t>(host->h_length, 4);
            std::memcpy(&lookup.address->address, host->h_addr_list[0], length);
        } else {
            Fail(lookup);
        }
    } else {
        if (host->h_name != nullptr) {
            CopyToField(lookup.name, kNameCapacity, host->h_name);
        } else {
            Fail(lookup);
        }
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
                Fail(lookup);
                lookup.buffer = nullptr;  // stays with the unfinished request
                lookup.task = nullptr;
                EndDialog(dialog, 0);
                return TRUE;
            }
            return FALSE;
        case kLookupAnswerMessage:
            // Only the answer to this dialog's own request counts.
            if (lookup.task != nullptr && reinterpret_cast<HANDLE>(wparam) == lookup.task) {
                TakeAnswer(dialog, lookup, lparam);
            }
            return TRUE;
        default:
            return FALSE;
    }
}

// Runs the dialog; true when the pointers survived it.
bool RunLookup(HWND owner) {
    const INT_PTR shown = DialogBoxParamA(config_dialog::Instance(), MAKEINTRESOURCEA(IDD_LOOKUP),
                                          owner, LookupProc, 0);
    const bool success = shown != -1 && current_lookup.address != nullptr &&
                         (current_lookup.forward || current_lookup.name != nullptr);
    if (current_lookup.task != nullptr) {
        // The dialog went without an answer or a cancel (its owner was
        // destroyed): leave the buffer to the request.
        current_lookup.task = nullptr;
        current_lookup.buffer = nullptr;
    }
    Fail(current_lookup);
    current_lookup.host_name = nullptr;
    return success;
}

}  // namespace

int ForwardLookup(const char* host_name, net::SocketAddressIn* address, HWND owner) {
    current_lookup = Lookup{};
    current_lookup.forward = true;
    current_lookup.host_name = host_name;
    current_lookup.address = address;
    current_lookup.name = nullptr;
    return RunLookup(owner) ? 1 : 0;
}

int ReverseLookup(const net::SocketAddressIn* address, char* name, HWND owner) {
    // The lookup only reads the address; a copy keeps it that way.
    net::SocketAddressIn copy = *address;
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
