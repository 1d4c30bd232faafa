// A thin shim over BSD sockets and Winsock: the same calls, for IPv4 and
// IPv6, error codes always in Winsock numbering (10054 for a reset, ...).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane::net {

// An IPv4 or IPv6 address and port, numbers in network byte order; the
// shim turns it into the system's sockaddr_in or sockaddr_in6.
struct SocketAddress {
    std::uint16_t family = 0;  // kAfInet or kAfInet6
    std::uint16_t port = 0;
    std::uint32_t address = 0;        // IPv4
    std::uint8_t address6[16] = {};   // IPv6
    std::uint32_t scope_id = 0;       // IPv6: the link of a link-local address
};

// Winsock's numbers, whatever the system beneath uses.
constexpr std::uint16_t kAfInet = 2;
constexpr std::uint16_t kAfInet6 = 23;

// The same host: family and address (IPv6: with its link), ports aside.
bool SameHost(const SocketAddress& a, const SocketAddress& b);
// The address as inet_ntop writes it ("192.0.2.1", "::1", "2001:db8::5");
// anything but IPv6 is read as IPv4.
std::string AddressText(const SocketAddress& a);
// An IPv4 address (network order) as a SocketAddress without a port.
SocketAddress Ipv4Address(std::uint32_t network_order);

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
SocketAddress MakeAddress(std::uint32_t host_order_address, std::uint16_t port);

using SocketHandle = std::intptr_t;
constexpr SocketHandle kInvalidSocket = -1;
constexpr int kSocketError = -1;

enum class SocketType { kDatagram, kStream };

// Each call sets the thread's last-error value to its Winsock code on
// failure, so LastSocketError() and GetLastErrorCode() agree.
// A socket of the address's family (kAfInet when none is given).
SocketHandle CreateSocket(SocketType type, std::uint16_t family = kAfInet);
int BindSocket(SocketHandle s, const SocketAddress& local);
int SetBroadcastOption(SocketHandle s, bool on);
int SetReuseAddressOption(SocketHandle s, bool on);
// Stops a datagram socket from reporting an ICMP port-unreachable for an
// earlier send as 10054 on a later receive: for a client that only waits
// for its answer, such a report ends nothing (SIO_UDP_CONNRESET off).
int DisableConnectionResetReports(SocketHandle s);
int SendTo(SocketHandle s, const void* data, int length, const SocketAddress& to);
// A datagram longer than `length` is dropped and fails with 10040.
int RecvFrom(SocketHandle s, void* buffer, int length, SocketAddress* from);
int Send(SocketHandle s, const void* data, int length);
int Recv(SocketHandle s, void* buffer, int length);
int Connect(SocketHandle s, const SocketAddress& to);
// Connects within timeout_ms; on time-out fails with 10060.
int ConnectWithTimeout(SocketHandle s, const SocketAddress& to, int timeout_ms);
// select() for readability: 1 readable, 0 time-out, kSocketError on failure.
int WaitReadable(SocketHandle s, int timeout_ms);
int CloseSocket(SocketHandle s);
int LastSocketError();

}  // namespace orvane::net
