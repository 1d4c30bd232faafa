#include "service/time_service_handler.h"
#include "protocols/server_address_walk.h"

#include <gtest/gtest.h>

#include "platform/sockets.h"
#include "protocols/ntp_packet.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "protocols/broadcast_checks.h"
#include "settings/settings_store.h"
#include "service/service_broadcasts.h"
#include "support/fake_clock.h"
#include "support/fake_event_log.h"
#include "support/fake_local_networks.h"
#include "support/fake_name_lookup.h"
#include "support/fake_process_privileges.h"
#include "support/fake_registry.h"
#include "support/tcp_test_server.h"
#include "support/udp_test_server.h"

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
        UseEventLog(&event_log_);
        ForgetAppliedBroadcasts();
        clock_.SetLocal(kPresetLocal);
        // 2003-02-21 00:00:00 UTC, the TIME servers' answer; the bounds on
        // corrections have tests of their own.
        clock_.SetFileTime(kFileTimeOf1900 + 3254774400ULL * 10000000ULL);
        SetBuildDateFloor(FileTime{kFileTimeOf1900});
        Machine("Largest correction", 0);
        clock_.SetTicks(5000, 7);
    }
    void TearDown() override {
        SetBuildDateFloor(FileTime{});
        SetTimeServerPort(kTimePort);
        UseClock(nullptr);
        UseRegistry(nullptr);
        UseNameLookup(nullptr);
        UseLocalNetworks(nullptr);
        UseProcessPrivileges(nullptr);
        UseEventLog(nullptr);
    }
    void Machine(const std::string& name, std::int32_t value) {
        registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, name, value);
    }
    void MachineText(const std::string& name, const std::string& text) {
        registry_.PutText(RegistryScope::kMachine, kSettingsKeyPath, name, text);
    }
    Answer Send(const Bytes& record, std::uint64_t now_ms, bool* malformed) {
        const Bytes reply =
            handler_.Handle(record.data(), record.size(), now_ms, RequestOrigin{321, 2}, malformed);
        Answer answer;
        EXPECT_EQ(DecodeAnswer(reply.data(), reply.size(), &answer), MessageFault::kNone);
        return answer;
    }
    Answer SendRequest(MessageType type, std::uint64_t now_ms = 0, bool automatic = false) {
        Request request;
        request.type = type;
        request.update.has_tail = automatic;
        request.update.flags = automatic ? kUpdateAutomatic : 0;
        bool malformed = true;
        const Answer answer = Send(EncodeRequest(request), now_ms, &malformed);
        EXPECT_FALSE(malformed);
        return answer;
    }
    std::vector<std::string> EventTexts() const {
        std::vector<std::string> texts;
        for (const FakeEventLogEntry& entry : event_log_.entries()) {
            EXPECT_EQ(entry.source, "Orvane Time Service");
            texts.push_back(entry.strings.empty() ? "" : entry.strings[0]);
        }
        return texts;
    }

    FakeClock clock_;
    ClockSetRecorder recorder_{&clock_};
    FakeRegistry registry_;
    FakeNameLookup names_;
    FakeLocalNetworks networks_;
    FakeProcessPrivileges token_;
    FakeEventLog event_log_;
    TimeServiceHandler handler_{&recorder_};
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

// The service walks the name's addresses as Orvane.exe does: a refused
// connection moves on at once; later tries of an automatic round go on
// without a new lookup, no sooner than the repeat spacing, three requests
// in all.
TEST_F(TimeServiceHandlerTest, TheServiceWalksEveryAddressOfTheName) {
    TcpTestServer server({{{0xC1, 0xFF, 0xEA, 0x80}}});
    SetTimeServerPort(server.port());
    Machine("Protocol", 3);
    Machine("Use server by name", 1);
    MachineText("Server name", "pool.example");
    constexpr std::uint32_t kNobody = 0x0200007F;  // 127.0.0.2: refuses connections
    names_.AddHost("pool.example", kNobody);
    names_.AddHost("pool.example", kLoopback);
    const UpdateAnswer manual = SendRequest(kRequestUpdate).update;
    EXPECT_EQ(manual.result, 1);
    EXPECT_EQ(manual.server_address, kLoopback);

    names_.ForgetHost("pool.example");
    names_.AddHost("pool.example", kNobody);
    const auto next_try = [&](std::uint64_t now_ms) {
        Request request;
        request.type = kRequestUpdate;
        request.update.has_tail = true;
        request.update.flags = kUpdateAutomatic | kUpdateNextTry;
        bool malformed = true;
        return Send(EncodeRequest(request), now_ms, &malformed).update;
    };
    const struct {
        std::uint64_t now_ms;
        bool first;
        std::int32_t protocol;
        const char* text;
    } tries[] = {
        {100000, true, 3, nullptr},        {101000, false, 0, kRateLimitText},
        {130000, false, 3, nullptr},       {161000, false, 3, nullptr},
        {192000, false, 0, kRoundSpentText},
    };
    for (const auto& t : tries) {
        SCOPED_TRACE(t.now_ms);
        const UpdateAnswer u = t.first ? SendRequest(kRequestUpdate, t.now_ms, true).update
                                       : next_try(t.now_ms);
        EXPECT_EQ(u.result, 0);
        EXPECT_EQ(u.protocol, t.protocol);
        EXPECT_EQ(t.text != nullptr ? u.error_text : net::AddressText(net::Ipv4Address(
                                                         u.server_address)),
                  t.text != nullptr ? t.text : "127.0.0.2");
    }
    EXPECT_EQ(names_.forward_lookups().size(), 2u);
}

TEST_F(TimeServiceHandlerTest, ABroadcastRecordFromAClientIsAnUnknownRequest) {
    Machine("Receive sntp broadcasts", 1);
    // The record a caller once handed over: header, packet, sender, port.
    Bytes record(68, 0);
    const Bytes header = {0x4F, 0x52, 0x56, 0x54, 0x02, 0x00, 0x02, 0x00, 68, 0x00, 0x00, 0x00};
    std::copy(header.begin(), header.end(), record.begin());
    record[12] = 0x25;  // version 4, mode 5
    record[13] = 9;
    record[52] = 127;
    record[55] = 1;
    bool malformed = false;
    const Answer answer = Send(record, 0, &malformed);
    EXPECT_TRUE(malformed);
    EXPECT_EQ(answer.error_text, "Malformed request: unknown request");
    EXPECT_TRUE(clock_.system_times_set().empty());
}

TEST_F(TimeServiceHandlerTest, EachClockSetAndEachRefusalGoesToTheEventLog) {
    TcpTestServer server({{{0xC1, 0xFF, 0xEA, 0x80}}});
    SetTimeServerPort(server.port());
    Machine("Protocol", 3);
    MachineText("Server ip address", "127.0.0.1");
    EXPECT_EQ(SendRequest(kRequestUpdate).update.result, 1);
    clock_.FailSettersWith(1314);
    EXPECT_EQ(SendRequest(kRequestUpdate, 1000).update.result, 0);
    const std::vector<std::string> texts = EventTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].rfind("Clock set from 2026-12-07 23:03:44.512 to ", 0), 0u) << texts[0];
    EXPECT_NE(texts[0].find(" by server 127.0.0.1 for process 321 in session 2."),
              std::string::npos)
        << texts[0];
    EXPECT_EQ(texts[1],
              "The clock refused the time of server 127.0.0.1, error code 1314, for process 321 "
              "in session 2.");
}

// Kiss codes belong to the server that sent them and hold back only the
// automatic requests: RATE for twice the set interval, DENY until the
// server settings change. A manual request always asks.
TEST_F(TimeServiceHandlerTest, KissCodesHoldBackAutomaticRequestsOfThatServer) {
    struct Step {
        const char* name;
        const char* code;         // the server's kiss, "" for a good reply
        std::uint64_t now_ms;
        bool automatic;
        bool asked;               // whether the server saw the request
        const char* error_start;  // how the answer's error text begins
    };
    const Step steps[] = {
        {"RATE answered", "RATE", 0, true, true, ""},
        {"automatic within twice the interval", "", 60000, true, false,
         "The time server asked for fewer requests (RATE)"},
        {"manual at once", "", 61000, false, true, ""},
        {"automatic after twice the interval", "DENY", 125000, true, true, ""},
        {"automatic after DENY", "", 400000, true, false, "The time server answered DENY"},
        {"manual after DENY", "", 460000, false, true, ""},
    };
    Machine("Protocol", 1);
    Machine("Update interval", 1);
    MachineText("Server ip address", "127.0.0.1");
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const std::string code = step.code;
        testing::UdpTestServer server([code](const Bytes& request) {
            SntpPacket reply;
            reply.version_number = 4;
            reply.mode = kModeServer;
            reply.stratum = 8;
            reply.originate_timestamp = DecodePacket(request.data()).transmit_timestamp;
            reply.receive_timestamp = reply.originate_timestamp;
            reply.transmit_timestamp = reply.originate_timestamp;
            if (!code.empty()) {
                reply.leap_indicator = 3;
                reply.stratum = 0;
                for (char c : code)
                    reply.reference_identifier = (reply.reference_identifier << 8) |
                                                 static_cast<std::uint8_t>(c);
            }
            Bytes bytes(kSntpPacketSize);
            EncodePacket(reply, bytes.data());
            return std::vector<Bytes>{bytes};
        });
        SetSntpServerPort(server.port());
        const UpdateAnswer u = SendRequest(kRequestUpdate, step.now_ms, step.automatic).update;
        EXPECT_EQ(server.requests_seen() > 0, step.asked);
        EXPECT_EQ(u.error_text.rfind(step.error_start, 0), 0u) << u.error_text;
        if (*step.code != 0)
            EXPECT_EQ(u.kiss_code, step.code);
    }
    SetSntpServerPort(kSntpPort);
    // Another server setting starts afresh.
    Machine("Protocol", 3);
    TcpTestServer server({{{0xC1, 0xFF, 0xEA, 0x80}}});
    SetTimeServerPort(server.port());
    EXPECT_EQ(SendRequest(kRequestUpdate, 500000, true).update.result, 1);
}

TEST_F(TimeServiceHandlerTest, StatusCarriesTheLastBroadcastTheServiceApplied) {
    EXPECT_EQ(SendRequest(kRequestStatus).status.broadcast.sequence, 0u);
    SntpPacket packet;
    packet.mode = kModeBroadcast;
    packet.version_number = 4;
    packet.stratum = 9;
    packet.transmit_timestamp = MakeWireTimestamp(0xEEC00000, 0x80000000);
    const net::SocketAddress sender = net::MakeAddress(0xC0000202, 123);  // 192.0.2.2
    ServiceBroadcastReceived(packet, sender, HostForm(CurrentNtpTime()));
    ServiceBroadcastReceived(packet, sender, HostForm(CurrentNtpTime()));
    const AppliedBroadcast applied = SendRequest(kRequestStatus).status.broadcast;
    EXPECT_EQ(applied.sequence, 2u);
    EXPECT_EQ(applied.sender_address, sender.address);
    EXPECT_EQ(applied.time_before, kPresetLocal);
    EXPECT_EQ(applied.version, 4);
    EXPECT_EQ(applied.stratum, 9);
    ASSERT_EQ(clock_.system_times_set().size(), 2u);
    EXPECT_EQ(clock_.system_times_set()[0],
              NtpTimeToCalendar(MakeWireTimestamp(0xEEC00000, 0x80000000)));
    // A refusing clock counts no broadcast and is logged once.
    clock_.FailSettersWith(1314);
    ServiceBroadcastReceived(packet, sender, HostForm(CurrentNtpTime()));
    ServiceBroadcastReceived(packet, sender, HostForm(CurrentNtpTime()));
    EXPECT_EQ(SendRequest(kRequestStatus).status.broadcast.sequence, 2u);
    const std::vector<std::string> texts = EventTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_NE(texts[0].find(" by broadcast from 192.0.2.2."), std::string::npos) << texts[0];
    EXPECT_EQ(texts[2], "The clock refused the time of a broadcast from 192.0.2.2, error code 1314.");
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

TEST(BroadcastChecksTest, ConnectedSubnetsOnlyAndNeverThisPc) {
    const std::vector<LocalInterface> interfaces = {
        {net::HostToNetwork32(0x0A000005), net::HostToNetwork32(0xFF000000)},  // 10.0.0.5/8
        {net::HostToNetwork32(0xC0A80001), 0},                                 // no mask
        {net::HostToNetwork32(0x7F000001), net::HostToNetwork32(0xFF000000)},  // loopback
    };
    EXPECT_FALSE(SenderOnConnectedSubnet(net::HostToNetwork32(0x7F000001), interfaces));
    EXPECT_FALSE(SenderOnConnectedSubnet(net::HostToNetwork32(0x7F0A0B0C), interfaces));
    EXPECT_FALSE(SenderOnConnectedSubnet(net::HostToNetwork32(0x0A000005), interfaces));
    EXPECT_TRUE(SenderOnConnectedSubnet(net::HostToNetwork32(0x0AFFFFFE), interfaces));
    EXPECT_FALSE(SenderOnConnectedSubnet(net::HostToNetwork32(0x0B000001), interfaces));
    EXPECT_FALSE(SenderOnConnectedSubnet(net::HostToNetwork32(0xC0A80002), interfaces));
}

}  // namespace
}  // namespace orvane
