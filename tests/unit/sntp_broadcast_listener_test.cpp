#include "protocols/sntp_broadcast_listener.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/last_error.h"
#include "protocols/sntp_client.h"
#include "support/fake_clock.h"
#include "support/fake_local_networks.h"

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
        UseClock(&clock_);
        UseLocalNetworks(&networks_);
        port_ = FreeUdpPort();
        SetBroadcastListenPort(port_);
        SetSntpBindAddress(htonl(INADDR_LOOPBACK));
        // The datagrams come from loopback, standing in for a host on
        // this PC's subnet.
        networks_.interfaces = {{htonl(0xC0000201), htonl(0xFFFFFF00)}};  // 192.0.2.1/24
        SetBroadcastSourceForTests(htonl(0xC0000202));
        SetBroadcastHandler([this](const SntpPacket& p, const net::SocketAddress& source,
                                   std::uint64_t) {
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
        SetBroadcastBindFailureReporter(nullptr);
        SetBroadcastBindRetryInterval(kBindRetryIntervalMs);
        SetBroadcastSourceForTests(0);
        SetBroadcastListenPort(kSntpPort);
        SetSntpBindAddress(0);
        UseLocalNetworks(nullptr);
        UseClock(nullptr);
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

    // Another program's socket on the listener's port, without address
    // reuse: -1 when it cannot be had.
    int HoldThePort() {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port_);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0)
            return fd;
        ::close(fd);
        return -1;
    }

    void StartAndWaitReceiving() {
        SetBroadcastListening(1);
        ASSERT_TRUE(WaitFor([] { return BroadcastListenerState() == 2; }));
    }

    FakeClock clock_;
    FakeLocalNetworks networks_;
    std::uint16_t port_ = 0;
    std::mutex mutex_;
    std::vector<SntpPacket> packets_;
    std::vector<net::SocketAddress> sources_;
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
    EXPECT_EQ(sources_[0].address, htonl(0xC0000202));  // the stand-in sender
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

TEST_F(BroadcastListenerTest, BadDatagramsAreReportedAtMostOnceAMinuteEach) {
    clock_.SetTicks(1000);
    StartAndWaitReceiving();
    std::size_t good = 0;
    // The good broadcast after each burst shows the burst was handled.
    auto burst = [&] {
        for (int i = 0; i < 5; ++i) {
            Send({});
            Send(Packet(5, 20));
        }
        Send(Packet(5));
        ++good;
        ASSERT_TRUE(WaitFor([&] { return packets_.size() == good; }));
    };
    burst();
    clock_.SetTicks(1000 + kBadDatagramReportIntervalMs - 1);
    burst();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        EXPECT_EQ(texts_, (std::vector<std::string>{"Empty multicast SNTP packet received.",
                                                    "Invalid multicast SNTP packet received."}));
    }
    clock_.SetTicks(1000 + kBadDatagramReportIntervalMs);
    burst();
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_EQ(texts_.size(), 4u);
}

TEST_F(BroadcastListenerTest, GoodBroadcastBehindAFloodIsHandledAtOnce) {
    StartAndWaitReceiving();
    // Without draining, a hundred of them would hold it for ten seconds.
    for (int i = 0; i < 100; ++i)
        Send(Packet(5, 47));
    Send(Packet(5));
    const auto start = Clock::now();
    ASSERT_TRUE(WaitFor([this] { return packets_.size() == 1; }, 5000));
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(1000));
}

// The listener's verdicts, for what loopback cannot send: other senders.
// The packet and subnet rules themselves are tested with the time service.
struct VerdictCase {
    const char* name;
    std::function<void(SntpPacket&)> change;
    std::uint32_t source;  // host order
    BroadcastVerdict verdict;
};

TEST(BroadcastChecks, ListenerPassesOnlyUsableBroadcastsFromConnectedSubnets) {
    // This PC: 192.168.1.7/24.
    const std::vector<LocalInterface> interfaces = {
        {net::HostToNetwork32(0xC0A80107), net::HostToNetwork32(0xFFFFFF00)}};
    auto none = [](SntpPacket&) {};
    const VerdictCase cases[] = {
        {"same subnet", none, 0xC0A80105, BroadcastVerdict::kAccepted},
        {"loopback", none, 0x7F000001, BroadcastVerdict::kDropped},
        {"this PC's own address", none, 0xC0A80107, BroadcastVerdict::kDropped},
        {"unconnected sender", none, 0xC0A80205, BroadcastVerdict::kDropped},
        {"version 0", [](SntpPacket& p) { p.version_number = 0; }, 0xC0A80105,
         BroadcastVerdict::kDropped},
        {"version 5", [](SntpPacket& p) { p.version_number = 5; }, 0xC0A80105,
         BroadcastVerdict::kDropped},
        {"stratum 0", [](SntpPacket& p) { p.stratum = 0; }, 0xC0A80105, BroadcastVerdict::kDropped},
        {"stratum 16", [](SntpPacket& p) { p.stratum = 16; }, 0xC0A80105,
         BroadcastVerdict::kDropped},
    };
    for (const VerdictCase& c : cases) {
        SntpPacket p;
        p.version_number = 4;
        p.mode = kModeBroadcast;
        p.stratum = 9;
        p.transmit_timestamp = MakeWireTimestamp(4005673424u, 0);
        c.change(p);
        std::uint8_t bytes[kSntpPacketSize];
        EncodePacket(p, bytes);
        EXPECT_EQ(CheckBroadcastDatagram(bytes, kSntpPacketSize, net::HostToNetwork32(c.source),
                                         interfaces, nullptr),
                  c.verdict)
            << c.name;
    }
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

TEST_F(BroadcastListenerTest, APortTakenIsReportedOnceAndTriedAgainUntilItIsFree) {
    const int blocker = HoldThePort();
    ASSERT_GE(blocker, 0);
    std::vector<int> bind_errors;
    SetBroadcastBindFailureReporter([&](int code) {
        std::lock_guard<std::mutex> lock(mutex_);
        bind_errors.push_back(code);
    });
    SetBroadcastBindRetryInterval(100);
    SetBroadcastListening(1);
    EXPECT_TRUE(WaitFor([&] { return !bind_errors.empty(); }));
    // Several retries while the port stays taken: still one report.
    std::this_thread::sleep_for(std::chrono::milliseconds(350));
    ::close(blocker);
    ASSERT_TRUE(WaitFor([] { return BroadcastListenerState() == 2; }));
    Send(Packet(5));
    EXPECT_TRUE(WaitFor([this] { return packets_.size() == 1; }));
    std::lock_guard<std::mutex> lock(mutex_);
    EXPECT_EQ(bind_errors, std::vector<int>{net::kWsaEaddrinuse});
    EXPECT_TRUE(errors_.empty());
}

TEST_F(BroadcastListenerTest, AStopWhileWaitingToBindAgainEndsTheThread) {
    const int blocker = HoldThePort();
    ASSERT_GE(blocker, 0);
    bool reported = false;
    SetBroadcastBindFailureReporter([&](int) {
        std::lock_guard<std::mutex> lock(mutex_);
        reported = true;
    });
    SetBroadcastListening(1);
    EXPECT_TRUE(WaitFor([&] { return reported; }));
    SetBroadcastListening(0);
    EXPECT_EQ(BroadcastListenerState(), 5);
    ::close(blocker);
}

}  // namespace
}  // namespace orvane
