#include "protocols/exchange_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>

#include "support/fake_clock.h"

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t kLoopback = 0x7F000001;
constexpr int kBufferSize = 900;

// A datagram socket of the shim's on a free loopback port, and its address.
net::SocketHandle BoundSocket(net::SocketAddress* address) {
    const net::SocketHandle s = net::CreateSocket(net::SocketType::kDatagram);
    net::BindSocket(s, net::MakeAddress(kLoopback, 0));
    sockaddr_in a{};
    socklen_t size = sizeof a;
    ::getsockname(static_cast<int>(s), reinterpret_cast<sockaddr*>(&a), &size);
    *address = net::MakeAddress(kLoopback, ntohs(a.sin_port));
    return s;
}

// Sends from `s` to a loopback port nobody holds, and waits until the
// port-unreachable it brings back is there to read.
bool ProvokeReset(net::SocketHandle s) {
    net::SocketAddress closed;
    net::CloseSocket(BoundSocket(&closed));
    return net::SendTo(s, "", 0, closed) == 0 && net::WaitReadable(s, 2000) == 1;
}

class ReceiveFromServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseClock(&clock_);
        client_ = BoundSocket(&client_address_);
        server_ = BoundSocket(&server_address_);
    }
    void TearDown() override {
        net::CloseSocket(client_);
        net::CloseSocket(server_);
        UseClock(nullptr);
    }
    void Answer(const Bytes& datagram) {
        net::SendTo(server_, datagram.data(), static_cast<int>(datagram.size()), client_address_);
    }

    FakeClock clock_;
    net::SocketHandle client_ = net::kInvalidSocket;
    net::SocketHandle server_ = net::kInvalidSocket;
    net::SocketAddress client_address_, server_address_;
};

// The shim reports what Winsock reports: a port-unreachable as 10054 on the
// next receive, a datagram longer than the buffer as 10040 (and drops it).
TEST_F(ReceiveFromServerTest, TheShimReportsResetsAndOversizedDatagramsAsWinsockDoes) {
    std::uint8_t buffer[kBufferSize];
    ASSERT_TRUE(ProvokeReset(client_));
    EXPECT_EQ(net::RecvFrom(client_, buffer, kBufferSize, nullptr), net::kSocketError);
    EXPECT_EQ(net::LastSocketError(), net::kWsaEconnreset);
    EXPECT_EQ(net::WaitReadable(client_, 50), 0);

    Answer(Bytes(kBufferSize + 1, 7));
    ASSERT_EQ(net::WaitReadable(client_, 2000), 1);
    EXPECT_EQ(net::RecvFrom(client_, buffer, kBufferSize, nullptr), net::kSocketError);
    EXPECT_EQ(net::LastSocketError(), net::kWsaEmsgsize);
    EXPECT_EQ(net::WaitReadable(client_, 50), 0);
}

// Neither report is the server's answer, and either can come from anyone:
// the exchange goes on waiting, for the answer or its time-out.
TEST_F(ReceiveFromServerTest, ResetsAndOversizedDatagramsEndNoExchange) {
    struct Case {
        const char* name;
        bool reset_first;
        std::vector<Bytes> datagrams;
        ServerReceive wanted;
        int length;
    };
    const Case cases[] = {
        {"oversized, then the answer", false, {Bytes(kBufferSize + 100, 1), Bytes(4, 2)},
         ServerReceive::kReceived, 4},
        {"only oversized", false, {Bytes(kBufferSize * 2, 1)}, ServerReceive::kTimedOut, 0},
        {"reset, then the answer", true, {Bytes(48, 3)}, ServerReceive::kReceived, 48},
        {"only a reset", true, {}, ServerReceive::kTimedOut, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.reset_first)
            ASSERT_TRUE(ProvokeReset(client_));
        for (const Bytes& datagram : c.datagrams)
            Answer(datagram);
        std::uint8_t buffer[kBufferSize];
        int length = -1;
        const auto start = std::chrono::steady_clock::now();
        const ServerReceive got =
            ReceiveFromServer(client_, server_address_, 0, 300, buffer, kBufferSize, &length);
        const auto waited = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(got, c.wanted);
        if (c.wanted == ServerReceive::kReceived)
            EXPECT_EQ(length, c.length);
        else
            EXPECT_GE(waited, std::chrono::milliseconds(290));
    }
}

}  // namespace
}  // namespace orvane
