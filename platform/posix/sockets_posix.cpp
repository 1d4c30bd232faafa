// BSD sockets behind the Winsock-shaped shim, for the native build's tests.
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <unistd.h>

#include "platform/last_error.h"
#include "platform/sockets.h"

namespace orvane::net {

namespace {

int WinsockCode(int error) {
    switch (error) {
        case EINTR:
            return 10004;
        case EBADF:
            return 10009;
        case EACCES:
            return 10013;
        case EFAULT:
            return 10014;
        case EINVAL:
            return 10022;
        case EMFILE:
            return 10024;
        case EAGAIN:
            return 10035;
        case EINPROGRESS:
            return 10036;
        case EALREADY:
            return 10037;
        case ENOTSOCK:
            return 10038;
        case EDESTADDRREQ:
            return 10039;
        case EMSGSIZE:
            return 10040;
        case EPROTOTYPE:
            return 10041;
        case ENOPROTOOPT:
            return 10042;
        case EPROTONOSUPPORT:
            return 10043;
        case EOPNOTSUPP:
            return 10045;
        case EAFNOSUPPORT:
            return 10047;
        case EADDRINUSE:
            return 10048;
        case EADDRNOTAVAIL:
            return 10049;
        case ENETDOWN:
            return 10050;
        case ENETUNREACH:
            return 10051;
        case ECONNABORTED:
            return 10053;
        case ECONNRESET:
            return 10054;
        case ENOBUFS:
            return 10055;
        case EISCONN:
            return 10056;
        case ENOTCONN:
            return 10057;
        case ETIMEDOUT:
            return 10060;
        case ECONNREFUSED:
            return 10061;
        case EHOSTUNREACH:
            return 10065;
        default:
            return 10000 + error;
    }
}

int Fail() {
    SetLastErrorCode(WinsockCode(errno));
    return kSocketError;
}

// The system's address of the record's family (no family: IPv4, as every
// record was before IPv6); its length in *length. Winsock's family numbers
// are not Linux's (AF_INET6 is 23 there, 10 here).
sockaddr_storage ToSockaddr(const SocketAddress& a, socklen_t* length) {
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

bool IsIpv6(int fd) {
    sockaddr_storage a{};
    socklen_t size = sizeof a;
    return ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0 &&
           a.ss_family == AF_INET6;
}

// The socket option that reports ICMP errors on an unconnected datagram
// socket, per family.
int SetErrorReports(int fd, bool ipv6, int on) {
    return ipv6 ? ::setsockopt(fd, IPPROTO_IPV6, IPV6_RECVERR, &on, sizeof on)
                : ::setsockopt(fd, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
}

}  // namespace

SocketHandle CreateSocket(SocketType type, std::uint16_t family) {
    const bool ipv6 = family == kAfInet6;
    int s = ::socket(ipv6 ? AF_INET6 : AF_INET,
                     type == SocketType::kStream ? SOCK_STREAM : SOCK_DGRAM, 0);
    if (s < 0) {
        Fail();
        return kInvalidSocket;
    }
    // Windows' IPv6 sockets carry IPv6 only; Linux's would take IPv4 too.
    if (ipv6) {
        int only = 1;
        ::setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &only, sizeof only);
    }
    // As on Windows, a datagram socket hears of a port-unreachable for its
    // earlier send on a later receive (Linux tells unconnected sockets only
    // with IP_RECVERR), so the tests meet the same reports.
    if (type == SocketType::kDatagram)
        SetErrorReports(s, ipv6, 1);
    return s;
}

int BindSocket(SocketHandle s, const SocketAddress& local) {
    socklen_t size = 0;
    sockaddr_storage a = ToSockaddr(local, &size);
    if (::bind(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), size) != 0)
        return Fail();
    return 0;
}

int SetBroadcastOption(SocketHandle s, bool on) {
    int value = on ? 1 : 0;
    if (::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_BROADCAST, &value, sizeof value) != 0)
        return Fail();
    return 0;
}

int SetReuseAddressOption(SocketHandle s, bool on) {
    int value = on ? 1 : 0;
    if (::setsockopt(static_cast<int>(s), SOL_SOCKET, SO_REUSEADDR, &value, sizeof value) != 0)
        return Fail();
    return 0;
}

int DisableConnectionResetReports(SocketHandle s) {
    const int fd = static_cast<int>(s);
    if (SetErrorReports(fd, IsIpv6(fd), 0) != 0)
        return Fail();
    return 0;
}

int SendTo(SocketHandle s, const void* data, int length, const SocketAddress& to) {
    socklen_t size = 0;
    sockaddr_storage a = ToSockaddr(to, &size);
    ssize_t n = ::sendto(static_cast<int>(s), data, static_cast<size_t>(length), 0,
                         reinterpret_cast<sockaddr*>(&a), size);
    if (n < 0)
        return Fail();
    return static_cast<int>(n);
}

int RecvFrom(SocketHandle s, void* buffer, int length, SocketAddress* from) {
    sockaddr_storage a{};
    socklen_t size = sizeof a;
    // MSG_TRUNC gives a datagram's whole length, so a longer one than the
    // buffer fails as Winsock's does.
    ssize_t n = ::recvfrom(static_cast<int>(s), buffer, static_cast<size_t>(length), MSG_TRUNC,
                           reinterpret_cast<sockaddr*>(&a), &size);
    if (n < 0 && errno == ECONNREFUSED) {
        // Winsock's name for a port-unreachable on a datagram socket. The
        // report's copy in the error queue is read too, or every later wait
        // would find the socket readable.
        char ignored[64];
        while (::recvfrom(static_cast<int>(s), ignored, sizeof ignored,
                          MSG_ERRQUEUE | MSG_DONTWAIT, nullptr, nullptr) >= 0) {
        }
        SetLastErrorCode(kWsaEconnreset);
        return kSocketError;
    }
    if (n < 0)
        return Fail();
    if (n > length) {
        SetLastErrorCode(kWsaEmsgsize);
        return kSocketError;
    }
    if (from != nullptr)
        *from = FromSockaddr(a);
    return static_cast<int>(n);
}

int Send(SocketHandle s, const void* data, int length) {
    ssize_t n = ::send(static_cast<int>(s), data, static_cast<size_t>(length), MSG_NOSIGNAL);
    if (n < 0)
        return Fail();
    return static_cast<int>(n);
}

int Recv(SocketHandle s, void* buffer, int length) {
    ssize_t n = ::recv(static_cast<int>(s), buffer, static_cast<size_t>(length), 0);
    if (n < 0)
        return Fail();
    return static_cast<int>(n);
}

int Connect(SocketHandle s, const SocketAddress& to) {
    socklen_t size = 0;
    sockaddr_storage a = ToSockaddr(to, &size);
    if (::connect(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), size) != 0)
        return Fail();
    return 0;
}

int ConnectWithTimeout(SocketHandle s, const SocketAddress& to, int timeout_ms) {
    int fd = static_cast<int>(s);
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return Fail();
    socklen_t address_size = 0;
    sockaddr_storage a = ToSockaddr(to, &address_size);
    int result = ::connect(fd, reinterpret_cast<sockaddr*>(&a), address_size);
    if (result != 0 && errno != EINPROGRESS) {
        int saved = errno;
        ::fcntl(fd, F_SETFL, flags);
        errno = saved;
        return Fail();
    }
    if (result != 0) {
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(fd, &writable);
        timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
        int ready = ::select(fd + 1, nullptr, &writable, nullptr, &tv);
        if (ready <= 0) {
            int saved = ready == 0 ? ETIMEDOUT : errno;
            ::fcntl(fd, F_SETFL, flags);
            errno = saved;
            return Fail();
        }
        int error = 0;
        socklen_t size = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size);
        if (error != 0) {
            ::fcntl(fd, F_SETFL, flags);
            errno = error;
            return Fail();
        }
    }
    ::fcntl(fd, F_SETFL, flags);
    return 0;
}

int WaitReadable(SocketHandle s, int timeout_ms) {
    int fd = static_cast<int>(s);
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(fd, &readable);
    timeval tv{timeout_ms / 1000, (timeout_ms % 1000) * 1000};
    int ready = ::select(fd + 1, &readable, nullptr, nullptr, &tv);
    if (ready < 0)
        return Fail();
    return ready > 0 ? 1 : 0;
}

int CloseSocket(SocketHandle s) {
    if (::close(static_cast<int>(s)) != 0)
        return Fail();
    return 0;
}

int LastSocketError() {
    return GetLastErrorCode();
}

}  // namespace orvane::net
