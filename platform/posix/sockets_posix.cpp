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

sockaddr_in ToSockaddr(const SocketAddressIn& a) {
    sockaddr_in s{};
    s.sin_family = AF_INET;
    s.sin_port = a.port;
    s.sin_addr.s_addr = a.address;
    return s;
}

}  // namespace

SocketHandle CreateSocket(SocketType type) {
    int s = ::socket(AF_INET, type == SocketType::kStream ? SOCK_STREAM : SOCK_DGRAM, 0);
    if (s < 0) {
        Fail();
        return kInvalidSocket;
    }
    // As on Windows, a datagram socket hears of a port-unreachable for its
    // earlier send on a later receive (Linux tells unconnected sockets only
    // with IP_RECVERR), so the tests meet the same reports.
    if (type == SocketType::kDatagram) {
        int on = 1;
        ::setsockopt(s, IPPROTO_IP, IP_RECVERR, &on, sizeof on);
    }
    return s;
}

int BindSocket(SocketHandle s, const SocketAddressIn& local) {
    sockaddr_in a = ToSockaddr(local);
    if (::bind(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
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
    int off = 0;
    if (::setsockopt(static_cast<int>(s), IPPROTO_IP, IP_RECVERR, &off, sizeof off) != 0)
        return Fail();
    return 0;
}

int SendTo(SocketHandle s, const void* data, int length, const SocketAddressIn& to) {
    sockaddr_in a = ToSockaddr(to);
    ssize_t n = ::sendto(static_cast<int>(s), data, static_cast<size_t>(length), 0,
                         reinterpret_cast<sockaddr*>(&a), sizeof a);
    if (n < 0)
        return Fail();
    return static_cast<int>(n);
}

int RecvFrom(SocketHandle s, void* buffer, int length, SocketAddressIn* from) {
    sockaddr_in a{};
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
    if (from != nullptr) {
        *from = SocketAddressIn{};
        from->family = kAfInet;
        from->port = a.sin_port;
        from->address = a.sin_addr.s_addr;
    }
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

int Connect(SocketHandle s, const SocketAddressIn& to) {
    sockaddr_in a = ToSockaddr(to);
    if (::connect(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        return Fail();
    return 0;
}

int ConnectWithTimeout(SocketHandle s, const SocketAddressIn& to, int timeout_ms) {
    int fd = static_cast<int>(s);
    int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
        return Fail();
    sockaddr_in a = ToSockaddr(to);
    int result = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
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
