#include "platform/sockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>
#include <initializer_list>
#include <string>

#include <gtest/gtest.h>

namespace orvane::net {
namespace {

SocketAddress V6(std::initializer_list<std::uint16_t> groups, std::uint32_t scope_id = 0) {
    SocketAddress a;
    a.family = kAfInet6;
    a.scope_id = scope_id;
    int i = 0;
    for (std::uint16_t group : groups) {
        a.address6[i++] = static_cast<std::uint8_t>(group >> 8);
        a.address6[i++] = static_cast<std::uint8_t>(group);
    }
    return a;
}

TEST(SocketAddressTest, TextIsWhatInetNtopWrites) {
    const struct {
        SocketAddress address;
        const char* text;
    } cases[] = {
        {MakeAddress(0xC0000201, 123), "192.0.2.1"},
        {V6({0, 0, 0, 0, 0, 0, 0, 0}), "::"},
        {V6({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
        {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 5}), "2001:db8::5"},
        // The first of two equal zero runs is the one shortened.
        {V6({0x2001, 0xdb8, 0, 0, 1, 0, 0, 1}), "2001:db8::1:0:0:1"},
        {V6({0xfe80, 0, 0, 0, 0, 0, 0, 1}, 3), "fe80::1"},
        {V6({0, 0, 0, 0, 0, 0xffff, 0xc000, 0x201}), "::ffff:192.0.2.1"},
        // A single zero group stays.
        {V6({0x2001, 0xdb8, 0, 1, 1, 1, 1, 1}), "2001:db8:0:1:1:1:1:1"},
        {V6({0x2001, 0xDB8, 0xABCD, 0, 0, 0, 0, 0}), "2001:db8:abcd::"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(AddressText(c.address), c.text);
        char system_text[INET6_ADDRSTRLEN] = {};
        const bool ipv6 = c.address.family == kAfInet6;
        const void* bytes = ipv6 ? static_cast<const void*>(c.address.address6)
                                 : static_cast<const void*>(&c.address.address);
        ASSERT_NE(inet_ntop(ipv6 ? AF_INET6 : AF_INET, bytes, system_text, sizeof system_text),
                  nullptr);
        EXPECT_EQ(AddressText(c.address), system_text);
    }
}

TEST(SocketAddressTest, SameHostComparesFamilyAddressAndLinkNotPort) {
    SocketAddress v4 = MakeAddress(0x7F000001, 123);
    SocketAddress v4_other_port = MakeAddress(0x7F000001, 37);
    SocketAddress v6_other_port = V6({0, 0, 0, 0, 0, 0, 0, 1});
    v6_other_port.port = HostToNetwork16(37);
    // The same four leading bytes as 127.0.0.1, in the other family.
    SocketAddress v6_like_v4 = V6({0x7f00, 0x0001, 0, 0, 0, 0, 0, 0});
    v6_like_v4.address = v4.address;
    const struct {
        SocketAddress a, b;
        bool same;
    } cases[] = {
        {v4, v4_other_port, true},
        {v4, MakeAddress(0x7F000002, 123), false},
        {v4, v6_like_v4, false},
        {V6({0, 0, 0, 0, 0, 0, 0, 1}), v6_other_port, true},
        {V6({0xfe80, 0, 0, 0, 0, 0, 0, 1}, 2), V6({0xfe80, 0, 0, 0, 0, 0, 0, 1}, 2), true},
        {V6({0xfe80, 0, 0, 0, 0, 0, 0, 1}, 2), V6({0xfe80, 0, 0, 0, 0, 0, 0, 1}, 3), false},
        {V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 5}), V6({0x2001, 0xdb8, 0, 0, 0, 0, 0, 6}), false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameHost(c.a, c.b), c.same) << AddressText(c.a) << " " << AddressText(c.b);
        EXPECT_EQ(SameHost(c.b, c.a), c.same);
    }
}

// The shim turns Winsock's family numbers into the system's both ways.
TEST(SocketAddressTest, DatagramRoundTripOverLoopbackInEachFamily) {
    const struct {
        SocketAddress loopback;
        const char* text;
    } cases[] = {
        {MakeAddress(0x7F000001, 0), "127.0.0.1"},
        {V6({0, 0, 0, 0, 0, 0, 0, 1}), "::1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SocketHandle server = CreateSocket(SocketType::kDatagram, c.loopback.family);
        SocketHandle client = CreateSocket(SocketType::kDatagram, c.loopback.family);
        ASSERT_NE(server, kInvalidSocket);
        ASSERT_NE(client, kInvalidSocket);
        ASSERT_EQ(BindSocket(server, c.loopback), 0);
        sockaddr_storage bound{};
        socklen_t size = sizeof bound;
        ASSERT_EQ(getsockname(static_cast<int>(server), reinterpret_cast<sockaddr*>(&bound), &size),
                  0);
        SocketAddress to = c.loopback;
        // sin_port and sin6_port sit at the same place.
        to.port = reinterpret_cast<const sockaddr_in*>(&bound)->sin_port;
        ASSERT_EQ(SendTo(client, "abc", 3, to), 3);
        ASSERT_EQ(WaitReadable(server, 2000), 1);
        char buffer[8];
        SocketAddress from;
        EXPECT_EQ(RecvFrom(server, buffer, sizeof buffer, &from), 3);
        EXPECT_EQ(from.family, c.loopback.family);
        EXPECT_EQ(AddressText(from), c.text);
        EXPECT_NE(from.port, 0);
        EXPECT_EQ(DisableConnectionResetReports(client), 0);
        CloseSocket(client);
        CloseSocket(server);
    }
}

}  // namespace
}  // namespace orvane::net
