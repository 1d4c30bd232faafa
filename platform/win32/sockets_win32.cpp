// Winsock behind the shim. The caller (WinMain, or a test's main) runs
// WSAStartup; the shim only makes the calls.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <mswsock.h>

#include <cstring>

#include "platform/last_error.h"
#include "platform/sockets.h"

// Older SDK headers lack it; the value is Microsoft's (mstcpip.h).
#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace orvane::net {

namespace {

SOCKET Raw(SocketHandle s) {
    return static_cast<SOCKET>(s);
}

int Fail() {
    // Winsock keeps its error in the thread's last-error value already;
    // setting it again makes the two agree when a caller reads either.
    SetLastErrorCode(::WSAGetLastError());
    return kSocketError;
}

// The system's address of the record's family (no family: IPv4, as every
// record was before IPv6); its length in *length.
sockaddr_storage ToSockaddr(const SocketAddress& a, int* length) {
    sockaddr_storage s{};
    if (a.family == kAfInet6) {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&s);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = a.port;
        std::memcpy(&in6->sin6_addr, a.address6, sizeof a.address6);
        in6->sin6_scope_id = a.scope_id;
        *length = sizeof(sockaddr_in6);
    } else {
        auto* in = reinterpret_cast<sockaddr_in*>(&s);
        in->sin_family = AF_INET;
        in->sin_port = a.port;
        in->sin_addr.s_addr = a.address;
        *length = sizeof(sockaddr_in);
    }
    return s;
}

SocketAddress FromSockaddr(const sockaddr_storage& s) {
    SocketAddress a;
    if (s.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&s);
        a.family = kAfInet6;
        a.port = in6->sin6_port;
        std::memcpy(a.address6, &in6->sin6_addr, sizeof a.address6);
        a.scope_id = in6->sin6_scope_id;
    } else if (s.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&s);
        a.family = kAfInet;
        a.port = in->sin_port;
        a.address = in->sin_addr.s_addr;
    }
    return a;
}

}  // namespace

SocketHandle CreateSocket(SocketType type, std::uint16_t family) {
    SOCKET s = ::socket(family == kAfInet6 ? AF_INET6 : AF_INET,
                        type == SocketType::kStream ? SOCK_STREAM : SOCK_DGRAM, 0);
    if (s == INVALID_SOCKET) {
        Fail();
        return kInvalidSocket;
    }
    return static_cast<SocketHandle>(s);
}

int BindSocket(SocketHandle s, const SocketAddress& local) {
    int size = 0;
    sockaddr_storage a = ToSockaddr(local, &size);
    if (::bind(Raw(s), reinterpret_cast<sockaddr*>(&a), size) == SOCKET_ERROR)
        return Fail();
    return 0;
}

int SetBroadcastOption(SocketHandle s, bool on) {
    BOOL value = on ? TRUE : FALSE;
    if (::setsockopt(Raw(s), SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&value),
                     sizeof value) == SOCKET_ERROR)
        return Fail();
    return 0;
}

int SetReuseAddressOption(SocketHandle s, bool on) {
    BOOL value = on ? TRUE : FALSE;
    if (::setsockopt(Raw(s), SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&value),
                     sizeof value) == SOCKET_ERROR)
        return Fail();
    return 0;
}

int DisableConnectionResetReports(SocketHandle s) {
    BOOL report = FALSE;
    DWORD returned = 0;
    if (::WSAIoctl(Raw(s), SIO_UDP_CONNRESET, &report, sizeof report, nullptr, 0, &returned,
                   nullptr, nullptr) == SOCKET_ERROR)
        return Fail();
    return 0;
}

int SendTo(SocketHandle s, const void* data, int length, const SocketAddress& to) {
    int size = 0;
    sockaddr_storage a = ToSockaddr(to, &size);
    int n = ::sendto(Raw(s), static_cast<const char*>(data), length, 0,
                     reinterpret_cast<sockaddr*>(&a), size);
    if (n == SOCKET_ERROR)
        return Fail();
    return n;
}

int RecvFrom(SocketHandle s, void* buffer, int length, SocketAddress* from) {
    sockaddr_storage a{};
    int size = sizeof a;
    int n = ::recvfrom(Raw(s), static_cast<char*>(buffer), length, 0,
                       reinterpret_cast<sockaddr*>(&a), &size);
    if (n == SOCKET_ERROR)
        return Fail();
    if (from != nullptr)
        *from = FromSockaddr(a);
    return n;
}

int Send(SocketHandle s, const void* data, int length) {
    int n = ::send(Raw(s), static_cast<const char*>(data), length, 0);
    if (n == SOCKET_ERROR)
        return Fail();
    return n;
}

int Recv(SocketHandle s, void* buffer, int length) {
    int n = ::recv(Raw(s), static_cast<char*>(buffer), length, 0);
    if (n == SOCKET_ERROR)
        return Fail();
    return n;
}

int Connect(SocketHandle s, const SocketAddress& to) {
    int size = 0;
    sockaddr_storage a = ToSockaddr(to, &size);
    if (::connect(Raw(s), reinterpret_cast<sockaddr*>(&a), size) == SOCKET_ERROR)
        return Fail();
    return 0;
}

int ConnectWithTimeout(SocketHandle s, const SocketAddress& to, int timeout_ms) {
    u_long non_blocking = 1;
    if (::ioctlsocket(Raw(s), FIONBIO, &non_blocking) == SOCKET_ERROR)
        return Fail();
    int address_size = 0;
    sockaddr_storage a = ToSockaddr(to, &address_size);
    int result = ::connect(Raw(s), reinterpret_cast<sockaddr*>(&a), address_size);
    int error = 0;
    if (result == SOCKET_ERROR) {
        error = ::WSAGetLastError();
        if (error == WSAEWOULDBLOCK) {
            fd_set writable, failed;
            FD_ZERO(&writable);
            FD_ZERO(&failed);
            FD_SET(Raw(s), &writable);
            FD_SET(Raw(s), &failed);
            timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
            int ready = ::select(0, nullptr, &writable, &failed, &tv);
            if (ready == 0) {
                error = WSAETIMEDOUT;
            } else if (ready == SOCKET_ERROR) {
                error = ::WSAGetLastError();
            } else if (FD_ISSET(Raw(s), &failed)) {
                int size = sizeof error;
                error = WSAECONNREFUSED;
                ::getsockopt(Raw(s), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error), &size);
                if (error == 0)
                    error = WSAECONNREFUSED;
            } else {
                error = 0;
            }
        }
    }
    u_long blocking = 0;
    ::ioctlsocket(Raw(s), FIONBIO, &blocking);
    if (error != 0) {
        ::WSASetLastError(error);
        SetLastErrorCode(error);
        return kSocketError;
    }
    return 0;
}

int WaitReadable(SocketHandle s, int timeout_ms) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(Raw(s), &readable);
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    int ready = ::select(0, &readable, nullptr, nullptr, &tv);
    if (ready == SOCKET_ERROR)
        return Fail();
    return ready > 0 ? 1 : 0;
}

int CloseSocket(SocketHandle s) {
    if (::closesocket(Raw(s)) == SOCKET_ERROR)
        return Fail();
    return 0;
}

int LastSocketError() {
    return ::WSAGetLastError();
}

}  // namespace orvane::net
