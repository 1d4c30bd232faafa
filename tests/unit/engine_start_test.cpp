#include "engine/engine.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "protocols/sntp_broadcast_listener.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "support/engine_fixture.h"
#include "support/udp_test_server.h"
#include "settings/live_settings.h"

namespace orvane {
namespace {

class EngineStartTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        UpdateSettings([&](SettingsRecord& s) {
            CopyToField(s.dialup_server_name, "Work");
            CopyToField(s.dialup_server_username, "ann");
            CopyToField(s.dialup_server_password, "secret");
        });
    }
    void TearDown() override {
        SetBroadcastListening(0);
        SetBroadcastListenPort(kSntpPort);
        SetBroadcastSourceForTests(0);
        SetBroadcastBindRetryInterval(kBindRetryIntervalMs);
        SetBroadcastErrorReporter(nullptr);
        SetBroadcastBindFailureReporter(nullptr);
        SetSntpTextReporter(nullptr);
        SetBroadcastTextReporter(nullptr);
        SetBroadcastHandler(nullptr);
        SetSntpReportCallback(nullptr);
        SetTimeTextReporter(nullptr);
        SetTimeTcpReportCallback(nullptr);
        SetTimeUdpReportCallback(nullptr);
        EngineTest::TearDown();
    }
};

TEST_F(EngineStartTest, WithoutDialupTheLinkIsPermanent) {
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    dialup_.SetAvailable(0);
    EXPECT_EQ(StartEngine(), 1);

    EXPECT_EQ(CurrentSettings().use_dialup, 0);
    EXPECT_EQ(dialup_.calls(), std::vector<std::string>{"IsDialupAvailable"});
    EXPECT_EQ(LinkState(), 0);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text,
                 "Link active since 21/02/2003 10:20:30 (permanent connection)");
}

TEST_F(EngineStartTest, DialupIsSetUpInOrderAndNoConnectionMeansInactiveSinceStartup) {
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    dialup_.SetAvailable(1);
    EXPECT_EQ(StartEngine(), 1);

    EXPECT_EQ(
        dialup_.calls(),
        (std::vector<std::string>{
            "IsDialupAvailable", "BindDialup(1)", "SetDialErrorReporter", "SetDialUserName",
            "SetDialPassword", "SetDialEntryName", "SetDialOwnerWindow", "SetDialProgressVisible",
            "SetDialNotifyWindow", "SetDialEventHandler", "PollConnections"}));
    EXPECT_EQ(dialup_.user_name(), "ann");
    EXPECT_EQ(dialup_.password(), "secret");
    EXPECT_EQ(dialup_.GetDialEntryName(), "Work");
    EXPECT_EQ(dialup_.owner_window(), 0u);
    EXPECT_EQ(dialup_.notify_window(), 0u);
    EXPECT_EQ(dialup_.progress_visible(), 1);
    EXPECT_TRUE(dialup_.has_error_reporter());
    EXPECT_EQ(CurrentSettings().use_dialup, 1);
    EXPECT_EQ(LinkState(), 2);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text,
                 "Link inactive since program startup (21/02/2003 10:20:30)");

    // The engine's event handler is the one installed.
    dialup_.SetConnectionState(kConnectionStateConnected);
    dialup_.Raise(kDialEventConnectedByUser);
    EXPECT_EQ(LinkState(), 0);
}

TEST_F(EngineStartTest, DialupConnectedAtStartIsAnActiveLink) {
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    dialup_.SetAvailable(1);
    dialup_.SetConnectionState(kConnectionStateConnected);
    StartEngine();
    EXPECT_EQ(LinkState(), 0);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text, "Link active since 21/02/2003 10:20:30");
}

TEST_F(EngineStartTest, StartClearsTheValidFlag) {
    LastUpdateRecord record;
    record.valid = 1;
    StoreLastUpdateRecord(record);
    StartEngine();
    EXPECT_EQ(CopyLastUpdateRecord().valid, 0);
}

TEST_F(EngineStartTest, EventLogOnlyWhenLoggingIsOff) {
    UpdateSettings([&](SettingsRecord& live) { live.write_to_event_log = 1; });
    Logging(0, 1);
    StartEngine();
    StopEngine();
    ASSERT_EQ(EventLogTexts(), (std::vector<std::string>{"Orvane started", "Orvane stopped"}));
    EXPECT_EQ(event_log_.entries()[0].type, EventType::kInformation);
    EXPECT_EQ(event_log_.entries()[1].type, EventType::kInformation);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(EngineStartTest, LogLinesAtEveryLevelButNotOutsideTheRange) {
    Logging(1, 0);
    StartEngine();
    EXPECT_EQ(StopEngine(), 1);
    EXPECT_EQ(LogEntries(),
              (std::vector<std::string>{"Orvane engine started.", "Orvane engine stopped."}));
    EXPECT_TRUE(EventLogTexts().empty());

    std::filesystem::remove_all(root_ + "/logs");
    Logging(1, 3);
    StartEngine();
    StopEngine();
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(EngineStartTest, SntpReportsReachTheLog) {
    Logging(1, 1);
    StartEngine();
    testing::UdpTestServer server([](const std::vector<std::uint8_t>& in) {
        SntpPacket reply;
        reply.version_number = kNtpVersion;
        reply.mode = kModeServer;
        reply.stratum = 2;
        reply.originate_timestamp = DecodePacket(in.data()).transmit_timestamp;
        reply.receive_timestamp = reply.transmit_timestamp = reply.originate_timestamp;
        std::vector<std::uint8_t> bytes(kSntpPacketSize);
        EncodePacket(reply, bytes.data());
        return std::vector<std::vector<std::uint8_t>>{bytes};
    });
    SetSntpServerPort(server.port());
    EXPECT_EQ(SntpExchange(net::MakeAddress(0x7F000001, 0), 2000).result, 1);
    SetSntpServerPort(kSntpPort);
    EXPECT_EQ(LogEntries(),
              (std::vector<std::string>{"Orvane engine started.",
                                        "SNTP external update: Source IP address=127.0.0.1"}));
}

// A free UDP port on loopback for the listener.
std::uint16_t FreeUdpPort() {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    return ntohs(address.sin_port);
}

TEST_F(EngineStartTest, BroadcastsSwitchedOnReachTheHandler) {
    UpdateSettings([&](SettingsRecord& live) { live.receive_sntp_broadcasts = 1; });
    const std::uint16_t port = FreeUdpPort();
    SetBroadcastListenPort(port);
    // Sent from loopback, standing in for a host on this PC's subnet.
    networks_.interfaces = {{htonl(0xC0000201), htonl(0xFFFFFF00)}};
    SetBroadcastSourceForTests(htonl(0xC0000202));
    StartEngine();

    SntpPacket packet;
    packet.version_number = 4;
    packet.mode = 5;
    packet.stratum = 9;
    packet.transmit_timestamp = MakeWireTimestamp(3254774400u, 0);
    std::uint8_t bytes[kSntpPacketSize];
    EncodePacket(packet, bytes);
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    for (int i = 0; i < 100 && CopyLastUpdateRecord().valid == 0; ++i) {
        ::sendto(fd, bytes, sizeof bytes, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ::close(fd);
    LastUpdateRecord record = CopyLastUpdateRecord();
    EXPECT_EQ(record.valid, 1);
    EXPECT_EQ(record.protocol, kProtocolSntpBroadcast);
    EXPECT_EQ(record.stratum, 9);
}

// Another program holding the port (another user's copy, the time
// service) is no reason to end: said once, tried again.
TEST_F(EngineStartTest, APortHeldByAnotherProgramIsSaidOnceAndTheEngineGoesOn) {
    const std::uint16_t port = FreeUdpPort();
    int blocker = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    ASSERT_EQ(::bind(blocker, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    UpdateSettings([&](SettingsRecord& live) { live.receive_sntp_broadcasts = 1; });
    SetBroadcastListenPort(port);
    SetBroadcastBindRetryInterval(50);
    EXPECT_EQ(StartEngine(), 1);
    const std::string said = "Unable to listen for SNTP broadcasts.  Winsock error number 10048";
    for (int i = 0; i < 200 && ErrorWindowText().find(said) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // a few retries
    const std::string text = ErrorWindowText();
    EXPECT_EQ(text.find(said), text.rfind(said)) << text;
    EXPECT_NE(text.find(said), std::string::npos) << text;
    ::close(blocker);
}

// A bad datagram's report goes to the error window and, for a user who
// keeps one, to the event log.
TEST_F(EngineStartTest, BadBroadcastsAreReportedToTheEventLogToo) {
    UpdateSettings([&](SettingsRecord& live) {
        live.receive_sntp_broadcasts = 1;
        live.write_to_event_log = 1;
    });
    const std::uint16_t port = FreeUdpPort();
    SetBroadcastListenPort(port);
    StartEngine();
    // A datagram sent before the listener has bound its socket is lost.
    for (int i = 0; i < 500 && BroadcastListenerState() != 2; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(BroadcastListenerState(), 2);
    const std::size_t before = event_log_.entries().size();

    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    ::sendto(fd, "", 0, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    ::close(fd);
    for (int i = 0; i < 200 && event_log_.entries().size() == before; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));

    ASSERT_EQ(event_log_.entries().size(), before + 1);
    EXPECT_EQ(event_log_.entries().back().type, EventType::kWarning);
    EXPECT_EQ(event_log_.entries().back().strings,
              std::vector<std::string>{"Empty multicast SNTP packet received."});
}

TEST_F(EngineStartTest, BroadcastsSwitchedOffStartNoListener) {
    UpdateSettings([&](SettingsRecord& live) { live.receive_sntp_broadcasts = 0; });
    const int before = BroadcastListenerState();
    StartEngine();
    EXPECT_EQ(BroadcastListenerState(), before);
}

}  // namespace
}  // namespace orvane
