#include "service/time_service_handler.h"

#include <gtest/gtest.h>

#include "platform/sockets.h"
#include "protocols/ntp_packet.h"
#include "protocols/time_client.h"
#include "protocols/broadcast_checks.h"
#include "settings/settings_store.h"
#include "support/fake_clock.h"
#include "support/fake_local_networks.h"
#include "support/fake_name_lookup.h"
#include "support/fake_process_privileges.h"
#include "support/fake_registry.h"
#include "support/tcp_test_server.h"

namespace orvane {
namespace {

using testing::TcpTestServer;
using Bytes = std::vector<std::uint8_t>;

const SystemTime kPresetLocal{2026, 12, 1, 7, 23, 3, 44, 512};
constexpr std::uint32_t kLoopback = 0x0100007F;  // 127.0.0.1 in network order

class TimeServiceHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseClock(&recorder_);
        UseRegistry(&registry_);
        UseNameLookup(&names_);
        UseLocalNetworks(&networks_);
        UseProcessPrivileges(&token_);
        clock_.SetLocal(kPresetLocal);
        clock_.SetTicks(5000, 7);
    }
    void TearDown() override {
        SetTimeServerPort(kTimePort);
        UseClock(nullptr);
        UseRegistry(nullptr);
        UseNameLookup(nullptr);
        UseLocalNetworks(nullptr);
        UseProcessPrivileges(nullptr);
    }
    void Machine(const std::string& name, std::int32_t value) {
        registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, name, value);
    }
    void MachineText(const std::string& name, const std::string& text) {
        registry_.PutText(RegistryScope::kMachine, kSettingsKeyPath, name, text);
    }
    Answer Send(const Bytes& record, std::uint64_t now_ms, bool* malformed) {
        const Bytes reply = handler_.Handle(record.data(), record.size(), now_ms, malformed);
        Answer answer;
        EXPECT_EQ(DecodeAnswer(reply.data(), reply.size(), &answer), MessageFault::kNone);
        return answer;
    }
    Answer SendRequest(MessageType type, std::uint64_t now_ms = 0) {
        Request request;
        request.type = type;
        request.broadcast = broadcast_;
        bool malformed = true;
        const Answer answer = Send(EncodeRequest(request), now_ms, &malformed);
        EXPECT_FALSE(malformed);
        return answer;
    }
    // A good broadcast from 127.0.0.1 into broadcast_.
    void GoodBroadcast() {
        SntpPacket packet;
        packet.mode = kModeBroadcast;
        packet.version_number = 4;
        packet.stratum = 9;
        packet.transmit_timestamp = MakeWireTimestamp(0xEEC00000, 0x80000000);
        EncodePacket(packet, broadcast_.packet);
        broadcast_.sender_address = kLoopback;
        broadcast_.sender_port = net::HostToNetwork16(1124);
    }

    FakeClock clock_;
    ClockSetRecorder recorder_{&clock_};
    FakeRegistry registry_;
    FakeNameLookup names_;
    FakeLocalNetworks networks_;
    FakeProcessPrivileges token_;
    TimeServiceHandler handler_{&recorder_};
    BroadcastRequest broadcast_;
};

TEST_F(TimeServiceHandlerTest, AMalformedRequestGetsAnErrorAnswerAndClosesTheConnection) {
    const Bytes garbage = {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!', '!'};
    bool malformed = false;
    const Answer answer = Send(garbage, 0, &malformed);
    EXPECT_TRUE(malformed);
    EXPECT_EQ(answer.type, kAnswerError);
    EXPECT_EQ(answer.error_text, "Malformed request: not an Orvane record");
}

TEST_F(TimeServiceHandlerTest, StatusGivesTheVersionAndWhetherTheTokenHoldsThePrivilege) {
    token_.holds_systemtime = true;
    Answer answer = SendRequest(kRequestStatus);
    EXPECT_EQ(answer.type, kAnswerStatus);
    EXPECT_EQ(answer.status.version_text, ORVANE_VERSION_TEXT);
    EXPECT_TRUE(answer.status.holds_privilege);
    token_.holds_systemtime = false;
    EXPECT_FALSE(SendRequest(kRequestStatus).status.holds_privilege);
}

TEST_F(TimeServiceHandlerTest, AnUpdateRunsTheConfiguredExchangeAndReportsItsFields) {
    TcpTestServer server({{{0xC1, 0xFF, 0xEA, 0x80}}});
    SetTimeServerPort(server.port());
    Machine("Protocol", 3);
    MachineText("Server ip address", "127.0.0.1");
    const Answer answer = SendRequest(kRequestUpdate);
    ASSERT_EQ(answer.type, kAnswerUpdate);
    const UpdateAnswer& u = answer.update;
    EXPECT_EQ(u.result, 1);
    EXPECT_EQ(u.error_text, "");
    EXPECT_EQ(u.protocol, 3);
    EXPECT_EQ(u.server_address, kLoopback);
    EXPECT_TRUE(u.has_time_word);
    EXPECT_EQ(u.time_word, 0x80EAFFC1u);
    EXPECT_FALSE(u.has_packets);
    EXPECT_EQ(u.time_before, kPresetLocal);
    EXPECT_NE(u.time_after, SystemTime());
    ASSERT_EQ(clock_.system_times_set().size(), 1u);
    EXPECT_EQ(clock_.system_times_set()[0].wYear, 2003);
}

TEST_F(TimeServiceHandlerTest, AClockThatRefusesGivesItsCode) {
    TcpTestServer server({{{0xC1, 0xFF, 0xEA, 0x80}}});
    SetTimeServerPort(server.port());
    Machine("Protocol", 3);
    MachineText("Server ip address", "127.0.0.1");
    clock_.FailSettersWith(1314);
    const UpdateAnswer u = SendRequest(kRequestUpdate).update;
    EXPECT_EQ(u.result, 0);
    EXPECT_EQ(u.clock_error, 1314);
    EXPECT_FALSE(u.error_text.empty());
}

TEST_F(TimeServiceHandlerTest, TheFifthUpdateInAMinuteIsRefusedWithoutContactingTheServer) {
    TcpTestServer server({{{0xC1, 0xFF, 0xEA, 0x80}}});
    SetTimeServerPort(server.port());
    Machine("Protocol", 3);
    MachineText("Server ip address", "127.0.0.1");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(SendRequest(kRequestUpdate, 100000 + i * 1000).update.result, 1);
    const UpdateAnswer refused = SendRequest(kRequestUpdate, 159999).update;
    EXPECT_EQ(refused.result, 0);
    EXPECT_EQ(refused.error_text, "Too many update requests; try again in a minute");
    EXPECT_EQ(server.connections_seen(), 4);
    EXPECT_EQ(SendRequest(kRequestUpdate, 160000).update.result, 1);
    EXPECT_EQ(server.connections_seen(), 5);
}

TEST_F(TimeServiceHandlerTest, TheServerComesFromTheMachineHiveOnly) {
    // The user hive names a server, the machine hive none: nothing is asked.
    registry_.PutNumber(RegistryScope::kUser, kSettingsKeyPath, "Protocol", 3);
    registry_.PutText(RegistryScope::kUser, kSettingsKeyPath, "Server ip address", "127.0.0.1");
    const UpdateAnswer u = SendRequest(kRequestUpdate).update;
    EXPECT_EQ(u.result, 0);
    EXPECT_EQ(u.error_text, "No time protocol is configured");
}

TEST_F(TimeServiceHandlerTest, AServerByNameIsLookedUp) {
    TcpTestServer server({{{0xC1, 0xFF, 0xEA, 0x80}}});
    SetTimeServerPort(server.port());
    Machine("Protocol", 3);
    MachineText("Server ip address", "10.1.2.3");
    Machine("Use server by name", 1);
    MachineText("Server name", "time.example");
    names_.AddHost("time.example", kLoopback);
    const UpdateAnswer u = SendRequest(kRequestUpdate).update;
    EXPECT_EQ(u.result, 1);
    EXPECT_EQ(u.server_address, kLoopback);
}

TEST_F(TimeServiceHandlerTest, ABroadcastSetsTheClockOnlyWhenTheMachineReceivesThem) {
    GoodBroadcast();
    Answer answer = SendRequest(kRequestBroadcast);
    EXPECT_EQ(answer.type, kAnswerBroadcast);
    EXPECT_EQ(answer.broadcast.result, 0);
    EXPECT_EQ(answer.broadcast.error_text, "Receiving SNTP broadcasts is off on this machine");
    EXPECT_TRUE(clock_.system_times_set().empty());

    Machine("Receive sntp broadcasts", 1);
    answer = SendRequest(kRequestBroadcast);
    EXPECT_EQ(answer.broadcast.result, 1);
    EXPECT_EQ(answer.broadcast.time_before, kPresetLocal);
    ASSERT_EQ(clock_.system_times_set().size(), 1u);
    EXPECT_EQ(clock_.system_times_set()[0],
              NtpTimeToCalendar(MakeWireTimestamp(0xEEC00000, 0x80000000)));
}

TEST_F(TimeServiceHandlerTest, ABroadcastFromOutsideTheConnectedSubnetsIsRefused) {
    Machine("Receive sntp broadcasts", 1);
    GoodBroadcast();
    broadcast_.sender_address = net::HostToNetwork32(0xC0A80105);  // 192.168.1.5
    EXPECT_EQ(SendRequest(kRequestBroadcast).broadcast.error_text,
              "Broadcast sender is not on a directly connected subnet");
    networks_.interfaces = {{net::HostToNetwork32(0xC0A80101), net::HostToNetwork32(0xFFFFFF00)}};
    EXPECT_EQ(SendRequest(kRequestBroadcast).broadcast.result, 1);
}

TEST(BroadcastChecksTest, ThePacketChecks) {
    struct Case {
        const char* name;
        void (*change)(SntpPacket&);
        bool accepted;
    };
    const Case cases[] = {
        {"good", [](SntpPacket&) {}, true},
        {"mode 4", [](SntpPacket& p) { p.mode = 4; }, false},
        {"version 0", [](SntpPacket& p) { p.version_number = 0; }, false},
        {"version 1", [](SntpPacket& p) { p.version_number = 1; }, true},
        {"version 5", [](SntpPacket& p) { p.version_number = 5; }, false},
        {"stratum 0", [](SntpPacket& p) { p.stratum = 0; }, false},
        {"stratum 15", [](SntpPacket& p) { p.stratum = 15; }, true},
        {"stratum 16", [](SntpPacket& p) { p.stratum = 16; }, false},
        {"leap 3", [](SntpPacket& p) { p.leap_indicator = 3; }, false},
        {"leap 1", [](SntpPacket& p) { p.leap_indicator = 1; }, true},
        {"no transmit time", [](SntpPacket& p) { p.transmit_timestamp = 0; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SntpPacket packet;
        packet.mode = kModeBroadcast;
        packet.version_number = 4;
        packet.stratum = 2;
        packet.transmit_timestamp = MakeWireTimestamp(0xEEC00000, 0);
        c.change(packet);
        EXPECT_EQ(CheckBroadcastPacket(packet).empty(), c.accepted);
    }
}

TEST(BroadcastChecksTest, LoopbackAndConnectedSubnetsOnly) {
    const std::vector<LocalInterface> interfaces = {
        {net::HostToNetwork32(0x0A000005), net::HostToNetwork32(0xFF000000)},  // 10.0.0.5/8
        {net::HostToNetwork32(0xC0A80001), 0},                                 // no mask
    };
    EXPECT_TRUE(SenderOnConnectedSubnet(net::HostToNetwork32(0x7F000001), {}));
    EXPECT_TRUE(SenderOnConnectedSubnet(net::HostToNetwork32(0x7F0A0B0C), {}));
    EXPECT_TRUE(SenderOnConnectedSubnet(net::HostToNetwork32(0x0AFFFFFE), interfaces));
    EXPECT_FALSE(SenderOnConnectedSubnet(net::HostToNetwork32(0x0B000001), interfaces));
    EXPECT_FALSE(SenderOnConnectedSubnet(net::HostToNetwork32(0xC0A80002), interfaces));
}

}  // namespace
}  // namespace orvane
