#include "protocols/sntp_broadcast_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "protocols/sntp_client.h"

namespace orvane {
namespace {

using Clock = std::chrono::steady_clock;

std::uint16_t FreeUdpPort() {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

class BroadcastListenerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        port_ = FreeUdpPort();
        SetBroadcastListenPort(port_);
        SetSntpBindAddress(htonl(INADDR_LOOPBACK));
        SetBroadcastHandler([this](const SntpPacket& p, const net::SocketAddressIn& source) {
            std::lock_guard<std::mutex> lock(mutex_);
            packets_.push_back(p);
            sources_.push_back(source);
        });
        SetBroadcastTextReporter([this](const std::string& text) {
            std::lock_guard<std::mutex> lock(mutex_);
            texts_.push_back(text);
        });
        SetBroadcastErrorReporter([this](const std::string& text) {
            std::lock_guard<std::mutex> lock(mutex_);
            errors_.push_back(text);
            error_codes_.push_back(GetLastErrorCode());
        });
        ResetBroadcastListening();
    }
    void TearDown() override {
        SetBroadcastListening(0);
        SetBroadcastHandler(nullptr);
        SetBroadcastTextReporter(nullptr);
        SetBroadcastErrorReporter(nullptr);
        SetBroadcastListenPort(kSntpPort);
        SetSntpBindAddress(0);
    }

    void Send(const std::vector<std::uint8_t>& bytes) {
        int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(port_);
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        ::close(fd);
    }

    static std::vector<std::uint8_t> Packet(int mode, std::size_t size = kSntpPacketSize) {
        SntpPacket p;
        p.version_number = 4;
        p.mode = mode;
        p.stratum = 9;
        p.transmit_timestamp = MakeWireTimestamp(4005673424u, 0);
        std::vector<std::uint8_t> bytes(kSntpPacketSize);
        EncodePacket(p, bytes.data());
        bytes.resize(size, 0x55);
        return bytes;
    }

    template <typename Predicate>
    bool WaitFor(Predicate done, int milliseconds = 2000) {
        auto end = Clock::now() + std::chrono::milliseconds(milliseconds);
        while (Clock::now() < end) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                if (done())
                    return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        std::lock_guard<std::mutex> lock(mutex_);
        return done();
    }

    void StartAndWaitReceiving() {
        SetBroadcastListening(1);
        ASSERT_TRUE(WaitFor([] { return BroadcastListenerState() == 2; }));
    }

    std::uint16_t port_ = 0;
    std::mutex mutex_;
    std::vector<SntpPacket> packets_;
    std::vector<net::SocketAddressIn> sources_;
    std::vector<std::string> texts_;
    std::vector<std::string> errors_;
    std::vector<int> error_codes_;
};

TEST_F(BroadcastListenerTest, OnlyBroadcastModeReachesTheHandler) {
    StartAndWaitReceiving();
    Send(Packet(4));
    Send(Packet(3));
    Send(Packet(5));
    ASSERT_TRUE(WaitFor([this] { return !packets_.empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    std::lock_guard<std::mutex> lock(mutex_);
    ASSERT_EQ(packets_.size(), 1u);
    EXPECT_EQ(packets_[0].mode, 5);
    EXPECT_EQ(packets_[0].stratum, 9);
    EXPECT_EQ(sources_[0].address, htonl(INADDR_LOOPBACK));
    EXPECT_TRUE(texts_.empty());
}

TEST_F(BroadcastListenerTest, UnsynchronisedOrTimelessBroadcastsAreDropped) {
    StartAndWaitReceiving();
    std::vector<std::uint8_t> unsynchronised = Packet(5);
    unsynchronised[0] |= 0xC0;  // leap indicator 3
    Send(unsynchronised);
    std::vector<std::uint8_t> no_time = Packet(5);
    std::fill(no_time.begin() + 40, no_time.end(), 0);
    Send(no_time);
    Send(Packet(5));
    ASSERT_TRUE(WaitFor([this] { return !packets_.empty(); }));
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_EQ(packets_.size(), 1u);
    EXPECT_TRUE(texts_.empty());
}

TEST_F(BroadcastListenerTest, BadDatagramsAreReportedAndListeningGoesOn) {
    StartAndWaitReceiving();
    Send({});
    ASSERT_TRUE(WaitFor([this] { return texts_.size() == 1; }));
    Send(Packet(5, 47));
    ASSERT_TRUE(WaitFor([this] { return texts_.size() == 2; }));
    Send(Packet(5, 49));  // longer datagrams: the first 48 bytes count
    ASSERT_TRUE(WaitFor([this] { return packets_.size() == 1; }));
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_EQ(texts_[0], "Empty multicast SNTP packet received.");
    EXPECT_EQ(texts_[1], "Invalid multicast SNTP packet received.");
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BroadcastListenerTest, StopEndsTheThreadQuicklyAndItCanStartAgain) {
    StartAndWaitReceiving();
    auto start = Clock::now();
    SetBroadcastListening(0);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
    EXPECT_EQ(BroadcastListenerState(), 5);

    // The port is free again, and a new thread receives.
    StartAndWaitReceiving();
    Send(Packet(5));
    EXPECT_TRUE(WaitFor([this] { return packets_.size() == 1; }));
    SetBroadcastListening(1);  // already on: nothing changes
    EXPECT_EQ(BroadcastListenerState(), 2);
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BroadcastListenerTest, PortTakenIsReportedWithTheBindError) {
    int blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port_);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    SetBroadcastListening(1);
    EXPECT_TRUE(WaitFor([this] { return !errors_.empty(); }));
    ::close(blocker);
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_EQ(errors_[0], "Unable to bind SNTP multicast listen socket");
    EXPECT_EQ(error_codes_[0], net::kWsaEaddrinuse);
    // The thread has ended; a real program would have ended with it.
    ResetBroadcastListening();
}

}  // namespace
}  // namespace orvane
