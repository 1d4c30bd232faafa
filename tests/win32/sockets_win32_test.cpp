#include <winsock2.h>
#include <ws2tcpip.h>

#include "platform/sockets.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/win32/name_lookup_win32.h"

namespace orvane::net {
namespace {

SocketAddress Ipv6Loopback() {
    SocketAddress a;
    a.family = kAfInet6;
    a.address6[15] = 1;
    return a;
}

TEST(Win32SocketsTest, LoopbackDatagramRoundTrip) {
    SocketHandle server = CreateSocket(SocketType::kDatagram);
    ASSERT_NE(server, kInvalidSocket);
    ASSERT_EQ(BindSocket(server, MakeAddress(0x7F000001, 0)), 0);
    SocketHandle client = CreateSocket(SocketType::kDatagram);
    ASSERT_NE(client, kInvalidSocket);
    // Find the server's port by sending to ourselves through a known port.
    SocketAddress fixed = MakeAddress(0x7F000001, 47123);
    SocketHandle fixed_server = CreateSocket(SocketType::kDatagram);
    ASSERT_EQ(BindSocket(fixed_server, fixed), 0);
    ASSERT_EQ(SendTo(client, "abc", 3, fixed), 3);
    ASSERT_EQ(WaitReadable(fixed_server, 2000), 1);
    char buffer[16];
    SocketAddress from;
    EXPECT_EQ(RecvFrom(fixed_server, buffer, sizeof buffer, &from), 3);
    EXPECT_EQ(from.address, HostToNetwork32(0x7F000001));
    EXPECT_EQ(WaitReadable(fixed_server, 100), 0);
    CloseSocket(client);
    CloseSocket(server);
    CloseSocket(fixed_server);
}

TEST(Win32SocketsTest, DatagramRoundTripOverLoopbackInEachFamily) {
    const struct {
        SocketAddress loopback;
        const char* text;
    } cases[] = {
        {MakeAddress(0x7F000001, 0), "127.0.0.1"},
        {Ipv6Loopback(), "::1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        SocketHandle server = CreateSocket(SocketType::kDatagram, c.loopback.family);
        SocketHandle client = CreateSocket(SocketType::kDatagram, c.loopback.family);
        ASSERT_NE(server, kInvalidSocket);
        ASSERT_NE(client, kInvalidSocket);
        ASSERT_EQ(BindSocket(server, c.loopback), 0);
        sockaddr_storage bound{};
        int size = sizeof bound;
        ASSERT_EQ(getsockname(static_cast<SOCKET>(server), reinterpret_cast<sockaddr*>(&bound),
                              &size),
                  0);
        EXPECT_EQ(size, c.loopback.family == kAfInet6 ? int(sizeof(sockaddr_in6))
                                                      : int(sizeof(sockaddr_in)));
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

TEST(Win32SocketsTest, RefusedConnectGivesAWinsockCode) {
    SocketAddress ipv6 = Ipv6Loopback();
    ipv6.port = HostToNetwork16(1);
    for (const SocketAddress& to : {MakeAddress(0x7F000001, 1), ipv6}) {
        SocketHandle s = CreateSocket(SocketType::kStream, to.family);
        ASSERT_NE(s, kInvalidSocket);
        EXPECT_EQ(ConnectWithTimeout(s, to, 2000), kSocketError);
        EXPECT_GE(LastSocketError(), 10000);
        EXPECT_EQ(GetLastErrorCode(), LastSocketError());
        CloseSocket(s);
    }
}

TEST(Win32NameLookupTest, GivesEveryAddressOnceInBothFamilies) {
    const struct {
        const char* name;
        const char* first_ipv4;  // null: no IPv4 address
        bool ipv6_loopback;
    } cases[] = {
        {"localhost", "127.0.0.1", false},  // ::1 as well where the hosts file says so
        {"127.0.0.5", "127.0.0.5", false},
        {"::1", nullptr, true},
    };
    Win32NameLookup lookup;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<SocketAddress> found;
        ASSERT_TRUE(lookup.LookUpAddresses(c.name, kNameLookupLimitMs, &found));
        std::string ipv4;
        bool ipv6_loopback = false;
        for (std::size_t i = 0; i < found.size(); ++i) {
            for (std::size_t j = 0; j < i; ++j)
                EXPECT_FALSE(SameHost(found[i], found[j])) << AddressText(found[i]);
            if (found[i].family == kAfInet && ipv4.empty())
                ipv4 = AddressText(found[i]);
            ipv6_loopback = ipv6_loopback || AddressText(found[i]) == "::1";
        }
        EXPECT_EQ(ipv4, c.first_ipv4 != nullptr ? c.first_ipv4 : "");
        if (c.ipv6_loopback) {
            EXPECT_TRUE(ipv6_loopback);
        }
    }
    std::vector<SocketAddress> none;
    EXPECT_FALSE(lookup.LookUpAddresses("no-such-host.invalid", 1000, &none));
    EXPECT_TRUE(none.empty());
    EXPECT_NE(GetLastErrorCode(), 0);
}

}  // namespace
}  // namespace orvane::net
