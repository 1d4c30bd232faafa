// A thin shim over BSD sockets and Winsock: the same calls, IPv4 only,
// error codes always in Winsock numbering (10054 for a reset, ...).
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::net {

// Laid out as sockaddr_in: port and address in network byte order.
struct SocketAddressIn {
    std::uint16_t family = 0;
    std::uint16_t port = 0;
    std::uint32_t address = 0;
    std::uint8_t zero[8] = {};
};
static_assert(sizeof(SocketAddressIn) == 16, "must match sockaddr_in");

constexpr std::uint16_t kAfInet = 2;

// Winsock error numbers the core names.
constexpr int kWsaEintr = 10004;
constexpr int kWsaEwouldblock = 10035;
constexpr int kWsaEmsgsize = 10040;
constexpr int kWsaEinval = 10022;
constexpr int kWsaEaddrinuse = 10048;
constexpr int kWsaEconnreset = 10054;
constexpr int kWsaEtimedout = 10060;
constexpr int kWsaEconnrefused = 10061;

std::uint16_t HostToNetwork16(std::uint16_t value);
std::uint32_t HostToNetwork32(std::uint32_t value);
inline std::uint16_t NetworkToHost16(std::uint16_t value) {
    return HostToNetwork16(value);
}
inline std::uint32_t NetworkToHost32(std::uint32_t value) {
    return HostToNetwork32(value);
}

// a.b.c.d in host order, and back to the address in network order.
SocketAddressIn MakeAddress(std::uint32_t host_order_address, std::uint16_t port);

using SocketHandle = std::intptr_t;
constexpr SocketHandle kInvalidSocket = -1;
constexpr int kSocketError = -1;

enum class SocketType { kDatagram, kStream };

// Each call sets the thread's last-error value to its Winsock code on
// failure, so LastSocketError() and GetLastErrorCode() agree.
SocketHandle CreateSocket(SocketType type);
int BindSocket(SocketHandle s, const SocketAddressIn& local);
int SetBroadcastOption(SocketHandle s, bool on);
int SetReuseAddressOption(SocketHandle s, bool on);
// Stops a datagram socket from reporting an ICMP port-unreachable for an
// earlier send as 10054 on a later receive: for a client that only waits
// for its answer, such a report ends nothing (SIO_UDP_CONNRESET off).
int DisableConnectionResetReports(SocketHandle s);
int SendTo(SocketHandle s, const void* data, int length, const SocketAddressIn& to);
// A datagram longer than `length` is dropped and fails with 10040.
int RecvFrom(SocketHandle s, void* buffer, int length, SocketAddressIn* from);
int Send(SocketHandle s, const void* data, int length);
int Recv(SocketHandle s, void* buffer, int length);
int Connect(SocketHandle s, const SocketAddressIn& to);
// Connects within timeout_ms; on time-out fails with 10060.
int ConnectWithTimeout(SocketHandle s, const SocketAddressIn& to, int timeout_ms);
// select() for readability: 1 readable, 0 time-out, kSocketError on failure.
int WaitReadable(SocketHandle s, int timeout_ms);
int CloseSocket(SocketHandle s);
int LastSocketError();

}  // namespace orvane::net
