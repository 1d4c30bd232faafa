#include "platform/sockets.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"

namespace orvane::net {
namespace {

TEST(Win32SocketsTest, LoopbackDatagramRoundTrip) {
    SocketHandle server = CreateSocket(SocketType::kDatagram);
    ASSERT_NE(server, kInvalidSocket);
    ASSERT_EQ(BindSocket(server, MakeAddress(0x7F000001, 0)), 0);
    SocketHandle client = CreateSocket(SocketType::kDatagram);
    ASSERT_NE(client, kInvalidSocket);
    // Find the server's port by sending to ourselves through a known port.
    SocketAddressIn fixed = MakeAddress(0x7F000001, 47123);
    SocketHandle fixed_server = CreateSocket(SocketType::kDatagram);
    ASSERT_EQ(BindSocket(fixed_server, fixed), 0);
    ASSERT_EQ(SendTo(client, "abc", 3, fixed), 3);
    ASSERT_EQ(WaitReadable(fixed_server, 2000), 1);
    char buffer[16];
    SocketAddressIn from;
    EXPECT_EQ(RecvFrom(fixed_server, buffer, sizeof buffer, &from), 3);
    EXPECT_EQ(from.address, HostToNetwork32(0x7F000001));
    EXPECT_EQ(WaitReadable(fixed_server, 100), 0);
    CloseSocket(client);
    CloseSocket(server);
    CloseSocket(fixed_server);
}

TEST(Win32SocketsTest, RefusedConnectGivesAWinsockCode) {
    SocketHandle s = CreateSocket(SocketType::kStream);
    ASSERT_NE(s, kInvalidSocket);
    EXPECT_EQ(ConnectWithTimeout(s, MakeAddress(0x7F000001, 1), 2000), kSocketError);
    EXPECT_GE(LastSocketError(), 10000);
    EXPECT_EQ(GetLastErrorCode(), LastSocketError());
    CloseSocket(s);
}

}  // namespace
}  // namespace orvane::net
