#include "platform/win32/name_lookup_win32.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <system_error>
#include <thread>

#include "platform/last_error.h"
#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

using Clock = std::chrono::steady_clock;

// Resolved at run time: the asynchronous mode and its helpers come with
// Windows 8, and Windows 7 refuses the overlapped call.
using GetAddrInfoExWFunction = int(WSAAPI*)(PCWSTR, PCWSTR, DWORD, LPGUID, const ADDRINFOEXW*,
                                            PADDRINFOEXW*, timeval*, LPOVERLAPPED,
                                            LPLOOKUPSERVICE_COMPLETION_ROUTINE, LPHANDLE);
using FreeAddrInfoExWFunction = void(WSAAPI*)(PADDRINFOEXW);
using GetAddrInfoExCancelFunction = int(WSAAPI*)(LPHANDLE);
using GetAddrInfoExOverlappedResultFunction = int(WSAAPI*)(LPOVERLAPPED);

struct AsyncFunctions {
    GetAddrInfoExWFunction get = nullptr;
    FreeAddrInfoExWFunction free = nullptr;
    GetAddrInfoExCancelFunction cancel = nullptr;
    GetAddrInfoExOverlappedResultFunction result = nullptr;
    bool Present() const {
        return get != nullptr && free != nullptr && cancel != nullptr && result != nullptr;
    }
};

template <typename Function>
void Find(HMODULE library, const char* name, Function* function) {
    *function = reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

const AsyncFunctions& Functions() {
    static const AsyncFunctions functions = [] {
        AsyncFunctions found;
        // Already loaded: the program links ws2_32.
        HMODULE library = GetModuleHandleW(L"ws2_32.dll");
        if (library != nullptr) {
            Find(library, "GetAddrInfoExW", &found.get);
            Find(library, "FreeAddrInfoExW", &found.free);
            Find(library, "GetAddrInfoExCancel", &found.cancel);
            Find(library, "GetAddrInfoExOverlappedResult", &found.result);
        }
        return found;
    }();
    return functions;
}

void Fail(int code) {
    WSASetLastError(code);
    SetLastErrorCode(code);
}

// The name is read as UTF-8; text that is not valid UTF-8 can only be
// ANSI text, and is read in the ANSI code page.
// The core's names are UTF-8; one that is not cannot name a host.
bool ToWide(const std::string& text, std::wstring* wide) {
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return false;
    wide->assign(static_cast<std::size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, &(*wide)[0],
                            length) != length) {
        return false;
    }
    wide->resize(static_cast<std::size_t>(length) - 1);
    return true;
}

// Adds an IPv4 or IPv6 address the list does not hold yet (NS_ALL may give
// one address from several providers).
void Add(const sockaddr* address, std::size_t length, std::vector<net::SocketAddress>* addresses) {
    if (address == nullptr)
        return;
    net::SocketAddress a;
    if (address->sa_family == AF_INET && length >= sizeof(sockaddr_in)) {
        a = net::Ipv4Address(reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr);
    } else if (address->sa_family == AF_INET6 && length >= sizeof(sockaddr_in6)) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(address);
        a.family = net::kAfInet6;
        std::memcpy(a.address6, &in6->sin6_addr, sizeof a.address6);
        a.scope_id = in6->sin6_scope_id;
    } else {
        return;
    }
    const auto same = [&a](const net::SocketAddress& b) { return net::SameHost(a, b); };
    if (std::none_of(addresses->begin(), addresses->end(), same))
        addresses->push_back(a);
}

void AddAll(const ADDRINFOEXW* list, std::vector<net::SocketAddress>* addresses) {
    // The cast: some SDK headers name ai_next's type by another struct tag.
    for (; list != nullptr; list = reinterpret_cast<const ADDRINFOEXW*>(list->ai_next))
        Add(list->ai_addr, list->ai_addrlen, addresses);
}

ADDRINFOEXW Hints() {
    ADDRINFOEXW hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;  // each address once, not once per socket type
    return hints;
}

// One asynchronous request. Windows writes into it until the event is set,
// so it lives on the heap and is freed only after that.
struct Request {
    OVERLAPPED overlapped{};
    PADDRINFOEXW results = nullptr;
    HANDLE cancel_handle = nullptr;

    ~Request() {
        if (results != nullptr)
            Functions().free(results);
        if (overlapped.hEvent != nullptr)
            CloseHandle(overlapped.hEvent);
    }
};

// A request that could not be stopped (no cancel handle, as under Wine) is
// freed by a waiter once it finishes on its own.
void LeaveToFinish(std::unique_ptr<Request> request) {
    Request* unfinished = request.release();
    try {
        std::thread([unfinished] {
            WaitForSingleObject(unfinished->overlapped.hEvent, INFINITE);
            delete unfinished;
        }).detach();
    } catch (const std::system_error&) {
        // No thread to spare: the request is kept, never freed early.
    }
}

enum class Outcome { kFound, kFailed, kUnsupported };

// Stopping is immediate (the event is set at once), so this only guards
// against a request that never completes.
constexpr DWORD kCancelGraceMs = 2000;

Outcome LookUpAsynchronously(const std::wstring& name, int limit_ms,
                             std::vector<net::SocketAddress>* addresses, int* error) {
    const AsyncFunctions& f = Functions();
    if (!f.Present())
        return Outcome::kUnsupported;
    auto request = std::make_unique<Request>();
    // A manual-reset event, as the overlapped call requires.
    request->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (request->overlapped.hEvent == nullptr)
        return Outcome::kUnsupported;
    const ADDRINFOEXW hints = Hints();
    timeval timeout{limit_ms / 1000, (limit_ms % 1000) * 1000};
    int code = f.get(name.c_str(), nullptr, NS_ALL, nullptr, &hints, &request->results, &timeout,
                     &request->overlapped, nullptr, &request->cancel_handle);
    if (code == WSA_IO_PENDING) {
        const DWORD limit = static_cast<DWORD>(std::max(limit_ms, 0));
        if (WaitForSingleObject(request->overlapped.hEvent, limit) != WAIT_OBJECT_0) {
            // The handle is good until the event is set; cancelling one that
            // just finished is refused harmlessly.
            const bool cancelled =
                request->cancel_handle != nullptr && f.cancel(&request->cancel_handle) == 0;
            const DWORD grace = cancelled ? kCancelGraceMs : 0;
            if (WaitForSingleObject(request->overlapped.hEvent, grace) != WAIT_OBJECT_0) {
                LeaveToFinish(std::move(request));
                *error = WSAETIMEDOUT;
                return Outcome::kFailed;
            }
        }
        code = f.result(&request->overlapped);
        if (code == WSA_E_CANCELLED)
            code = WSAETIMEDOUT;
    }
    if (code == WSAEINVAL || code == WSAEOPNOTSUPP)
        return Outcome::kUnsupported;
    if (code != 0) {
        *error = code;
        return Outcome::kFailed;
    }
    AddAll(request->results, addresses);
    if (addresses->empty()) {
        *error = WSANO_DATA;
        return Outcome::kFailed;
    }
    return Outcome::kFound;
}

// GetAddrInfoW has no time limit of its own: it runs on a worker thread
// that the caller stops waiting for.
bool LookUpOnWorker(const std::wstring& name, int limit_ms,
                    std::vector<net::SocketAddress>* addresses, int* error) {
    auto code = std::make_shared<std::atomic<int>>(WSAETIMEDOUT);
    const bool found = LookUpWithinLimit(
        [name, code](std::vector<net::SocketAddress>* found_addresses) {
            ADDRINFOW hints;
            std::memset(&hints, 0, sizeof hints);
            hints.ai_family = AF_UNSPEC;
            hints.ai_socktype = SOCK_DGRAM;
            PADDRINFOW results = nullptr;
            const int result = GetAddrInfoW(name.c_str(), nullptr, &hints, &results);
            if (result != 0) {
                code->store(result);
                return false;
            }
            for (const ADDRINFOW* entry = results; entry != nullptr; entry = entry->ai_next)
                Add(entry->ai_addr, entry->ai_addrlen, found_addresses);
            FreeAddrInfoW(results);
            code->store(found_addresses->empty() ? WSANO_DATA : 0);
            return !found_addresses->empty();
        },
        limit_ms, addresses);
    if (!found)
        *error = code->load();
    return found;
}

}  // namespace

bool Win32NameLookup::LookUpAddresses(const std::string& host_name, int limit_ms,
                                      std::vector<net::SocketAddress>* addresses) {
    addresses->clear();
    std::wstring name;
    if (host_name.empty() || !ToWide(host_name, &name)) {
        Fail(WSAHOST_NOT_FOUND);
        return false;
    }
    const Clock::time_point start = Clock::now();
    int error = WSAHOST_NOT_FOUND;
    const Outcome outcome = LookUpAsynchronously(name, limit_ms, addresses, &error);
    if (outcome == Outcome::kFound)
        return true;
    if (outcome == Outcome::kUnsupported) {
        addresses->clear();
        const auto spent =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
        const int left = std::max(0, limit_ms - static_cast<int>(spent));
        if (LookUpOnWorker(name, left, addresses, &error))
            return true;
    }
    Fail(error);
    return false;
}

bool Win32NameLookup::LookUpHostName(std::uint32_t address, std::string* host_name) {
    // The W call: a name in any script arrives whole, as UTF-8.
    sockaddr_in from = {};
    from.sin_family = AF_INET;
    from.sin_addr.s_addr = address;
    wchar_t name[NI_MAXHOST] = {};
    if (GetNameInfoW(reinterpret_cast<const sockaddr*>(&from), sizeof from, name, NI_MAXHOST,
                     nullptr, 0, NI_NAMEREQD) != 0) {
        return false;
    }
    *host_name = Narrow(name, NI_MAXHOST);
    return true;
}

}  // namespace orvane
