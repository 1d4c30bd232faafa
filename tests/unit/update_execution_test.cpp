#include "engine/update_execution.h"

#include <gtest/gtest.h>

#include "engine/update_reports.h"
#include "protocols/server_address_walk.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"
#include "service/clock_setting.h"
#include "settings/settings_store.h"
#include "support/engine_fixture.h"
#include "support/udp_test_server.h"
#include "settings/live_settings.h"

namespace orvane {
namespace {

using testing::UdpTestServer;
using Datagrams = std::vector<std::vector<std::uint8_t>>;

const std::uint32_t kLoopback = net::HostToNetwork32(0x7F000001);

std::vector<std::uint8_t> Encode(const SntpPacket& p) {
    std::vector<std::uint8_t> bytes(kSntpPacketSize);
    EncodePacket(p, bytes.data());
    return bytes;
}

class RunUpdateTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        SetSntpReportCallback(SntpReport);
        SetTimeUdpReportCallback(TimeUdpReport);
        SetTimeTcpReportCallback(TimeTcpReport);
        UpdateSettings([&](SettingsRecord& s) {
            s.protocol = kProtocolSntp;
            CopyToField(s.server_name, "ntp.example");
            s.server_address = net::MakeAddress(0x7F000001, 0);
        });
    }
    void TearDown() override {
        SetSntpServerPort(kSntpPort);
        SetTimeServerPort(kTimePort);
        SetSntpReportCallback(nullptr);
        SetTimeUdpReportCallback(nullptr);
        SetTimeTcpReportCallback(nullptr);
        EngineTest::TearDown();
    }

    // An SNTP server serving the fake clock's own time, stratum 8, or the
    // kiss code in kiss_code_ when it holds one.
    std::unique_ptr<UdpTestServer> SntpServer() {
        auto server = std::make_unique<UdpTestServer>([this](const std::vector<std::uint8_t>& in) {
            if (in.size() < kSntpPacketSize)
                return Datagrams{};
            SntpPacket reply;
            reply.version_number = 3;
            reply.mode = kModeServer;
            reply.stratum = 8;
            reply.originate_timestamp = DecodePacket(in.data()).transmit_timestamp;
            reply.receive_timestamp = reply.originate_timestamp;
            reply.transmit_timestamp = reply.originate_timestamp;
            std::lock_guard<std::mutex> lock(reply_mutex_);
            if (!kiss_code_.empty()) {
                reply.stratum = 0;
                reply.reference_identifier = KissWord(kiss_code_);
            }
            last_reply_ = reply;
            return Datagrams{Encode(reply)};
        });
        SetSntpServerPort(server->port());
        return server;
    }

    static std::unique_ptr<UdpTestServer> SilentServer() {
        return std::make_unique<UdpTestServer>(
            [](const std::vector<std::uint8_t>&) { return Datagrams{}; });
    }

    // A TIME server answering with the seconds of 2003-02-21 00:00:00 UTC.
    static std::unique_ptr<UdpTestServer> TimeServer() {
        auto server = std::make_unique<UdpTestServer>([](const std::vector<std::uint8_t>&) {
            return Datagrams{{0xC1, 0xFF, 0xEA, 0x80}};
        });
        SetTimeServerPort(server->port());
        return server;
    }

    void AnswerWithKiss(const std::string& code) {
        std::lock_guard<std::mutex> lock(reply_mutex_);
        kiss_code_ = code;
    }
    static std::uint32_t KissWord(const std::string& code) {
        return static_cast<std::uint32_t>(code[0]) << 24 |
               static_cast<std::uint32_t>(code[1]) << 16 |
               static_cast<std::uint32_t>(code[2]) << 8 | static_cast<std::uint32_t>(code[3]);
    }

    std::mutex reply_mutex_;
    SntpPacket last_reply_;
    std::string kiss_code_;
};

TEST_F(RunUpdateTest, UnknownNameWithoutReverseEntryStaysUnknownAndUsesStoredAddress) {
    UpdateSettings([&](SettingsRecord& live) { CopyToField(live.server_name, "[unknown]"); });
    auto server = SntpServer();

    EXPECT_EQ(RunUpdate(false), UpdateOutcome::kClockSet);
    ASSERT_EQ(lookup_.reverse_lookups().size(), 1u);
    EXPECT_EQ(lookup_.reverse_lookups()[0], kLoopback);
    EXPECT_TRUE(lookup_.forward_lookups().empty());
    EXPECT_STREQ(CurrentSettings().server_name, "[unknown]");
    EXPECT_STREQ(CopyLastUpdateRecord().server_name, "[unknown]");
    EXPECT_EQ(server->requests_seen(), 1);
}

TEST_F(RunUpdateTest, UnknownNameIsReplacedByReverseLookup) {
    UpdateSettings([&](SettingsRecord& live) { CopyToField(live.server_name, "[unknown]"); });
    lookup_.AddReverse(kLoopback, "clock.lan");
    auto server = SntpServer();

    EXPECT_EQ(RunUpdate(false), UpdateOutcome::kClockSet);
    EXPECT_STREQ(CurrentSettings().server_name, "clock.lan");
    EXPECT_STREQ(CopyLastUpdateRecord().server_name, "clock.lan");
}

TEST_F(RunUpdateTest, EmptyNameAndNoAddressLooksNothingUpAndFails) {
    UpdateSettings([&](SettingsRecord& live) {
        CopyToField(live.server_name, "");
        live.server_address.address = 0;
    });
    auto server = SilentServer();
    SetSntpServerPort(server->port());

    EXPECT_EQ(RunUpdate(false), UpdateOutcome::kFailed);
    EXPECT_TRUE(lookup_.forward_lookups().empty());
    EXPECT_TRUE(lookup_.reverse_lookups().empty());
    EXPECT_EQ(CurrentSettings().server_address.address, 0u);
    EXPECT_EQ(CopyLastUpdateRecord().valid, 0);
}

// A name is looked up for every round; what it finds serves that round
// only, and a name that finds nothing falls back to the stored address.
TEST_F(RunUpdateTest, EveryRoundLooksTheNameUpAndKeepsNothing) {
    UpdateSettings([&](SettingsRecord& live) { live.server_address.address = 0; });
    lookup_.AddHost("ntp.example", kLoopback);
    auto server = SntpServer();

    EXPECT_EQ(RunUpdate(false), UpdateOutcome::kClockSet);
    EXPECT_EQ(RunUpdate(true), UpdateOutcome::kClockSet);
    EXPECT_EQ(lookup_.forward_lookups().size(), 2u);
    EXPECT_EQ(CurrentSettings().server_address.address, 0u);
    EXPECT_EQ(CopyLastUpdateRecord().server_address.address, kLoopback);

    lookup_.ForgetHost("ntp.example");
    EXPECT_EQ(RunUpdate(true), UpdateOutcome::kFailed);
    EXPECT_NE(ErrorWindowText().find("Unable to resolve server name ntp.example"),
              std::string::npos);
    EXPECT_EQ(server->requests_seen(), 2);
}

TEST_F(RunUpdateTest, UnknownProtocolFailsSilently) {
    Logging(1, 2);
    for (int protocol : {0, 4}) {
        UpdateSettings([&](SettingsRecord& live) { live.protocol = protocol; });
        EXPECT_EQ(RunUpdate(true), UpdateOutcome::kFailed);
    }
    EXPECT_TRUE(LogEntries().empty());
    EXPECT_EQ(ErrorWindowText(), "");
    EXPECT_TRUE(ui_.boxes().empty());
    EXPECT_TRUE(ui_.refreshes().empty());
}

TEST_F(RunUpdateTest, ManualSntpWithoutAnswerReportsTheTimeLimit) {
    Logging(1, 0);
    auto server = SilentServer();
    SetSntpServerPort(server->port());

    EXPECT_EQ(RunUpdate(true), UpdateOutcome::kFailed);
    const std::string text =
        "Manual update failed.  No response from server within 2000 milliseconds";
    EXPECT_NE(ErrorWindowText().find(": " + text + "\r\n"), std::string::npos);
    EXPECT_EQ(LogEntries(), std::vector<std::string>{text});
    EXPECT_EQ(CopyLastUpdateRecord().valid, 0);
    EXPECT_TRUE(ui_.refreshes().empty());
}

TEST_F(RunUpdateTest, ManualTimeUdpWithoutAnswerReportsTheExchangeText) {
    UpdateSettings([&](SettingsRecord& live) { live.protocol = kProtocolTimeUdp; });
    auto server = SilentServer();
    SetTimeServerPort(server->port());

    EXPECT_EQ(RunUpdate(true), UpdateOutcome::kFailed);
    // TIME/UDP words a time-out as a failed wait.
    EXPECT_NE(ErrorWindowText().find(": Manual update failed.  select() failed\r\n"),
              std::string::npos);
}

TEST_F(RunUpdateTest, ManualSuccessIsLoggedBeforeTheBoxIsAskedFor) {
    Logging(1, 0);
    auto server = SntpServer();
    std::vector<std::string> entries_when_posted;
    ui_.OnBox([&] { entries_when_posted = LogEntries(); });

    EXPECT_EQ(RunUpdate(true), UpdateOutcome::kClockSet);
    ASSERT_EQ(ui_.boxes().size(), 1u);
    EXPECT_EQ(ui_.boxes()[0].text, "Manual update successful");
    EXPECT_EQ(ui_.boxes()[0].caption, "Orvane");
    EXPECT_EQ(entries_when_posted, std::vector<std::string>{"Manual update successful"});
}

TEST_F(RunUpdateTest, KissIsLoggedAtMinimumAndEndsTheRound) {
    Logging(1, 0);
    auto server = SntpServer();
    AnswerWithKiss("RATE");
    EXPECT_EQ(RunUpdate(false), UpdateOutcome::kFailedForRound);
    EXPECT_EQ(ErrorWindowText(), "");

    AnswerWithKiss("DENY");
    EXPECT_EQ(RunUpdate(true), UpdateOutcome::kFailedForRound);
    const std::string failure = "Manual update failed.  Server sent kiss code DENY";
    EXPECT_NE(ErrorWindowText().find(": " + failure + "\r\n"), std::string::npos);
    EXPECT_EQ(LogEntries(),
              (std::vector<std::string>{"Server 127.0.0.1 sent kiss code RATE.",
                                        "Server 127.0.0.1 sent kiss code DENY.", failure}));
    EXPECT_EQ(CopyLastUpdateRecord().valid, 0);
    EXPECT_TRUE(clock_.system_times_set().empty());
}

TEST_F(RunUpdateTest, AutomaticSuccessFillsTheRecordQuietly) {
    Logging(1, 0);
    SetLinkChangeTimeNow();
    auto server = SntpServer();

    EXPECT_EQ(RunUpdate(false), UpdateOutcome::kClockSet);
    EXPECT_TRUE(ui_.boxes().empty());
    EXPECT_TRUE(LogEntries().empty());
    LastUpdateRecord record = CopyLastUpdateRecord();
    EXPECT_EQ(record.valid, 1);
    EXPECT_EQ(record.protocol, kProtocolSntp);
    EXPECT_EQ(record.stratum, 8);
    EXPECT_EQ(record.version_number, 3);
    EXPECT_EQ(record.round_trip_delay, 0);
    EXPECT_STREQ(record.server_name, "ntp.example");
    EXPECT_STREQ(record.link_text, "Link active since 21/02/2003 10:20:30 (permanent connection)");
    ASSERT_EQ(ui_.refreshes().size(), 1u);
    EXPECT_EQ(ui_.refreshes()[0].valid, 1);
}

TEST_F(RunUpdateTest, SntpMaximumLevelWritesBothPacketDumps) {
    Logging(1, 2);
    auto server = SntpServer();

    ASSERT_EQ(RunUpdate(false), UpdateOutcome::kClockSet);
    std::vector<std::uint8_t> request = server->last_request();
    ASSERT_GE(request.size(), kSntpPacketSize);
    std::string out = PacketDump(DecodePacket(request.data()));
    IndentText(out, 2);
    std::string in;
    {
        std::lock_guard<std::mutex> lock(reply_mutex_);
        in = PacketDump(last_reply_);
    }
    IndentText(in, 2);
    std::vector<std::string> entries = LogEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0],
              "SNTP external update:\n\n\tSource IP address=127.0.0.1\n\n"
              "\tOutgoing packet:\n" +
                  out + "\n\tIncoming packet:\n" + in);
    // Thirteen dump lines each, under two tabs; the text ends in a newline.
    std::size_t indented = 0;
    for (std::size_t at = 0; (at = entries[0].find("\n\t\t", at)) != std::string::npos; ++at) {
        ++indented;
    }
    EXPECT_EQ(indented, 26u);
    EXPECT_EQ(entries[0].back(), '\n');
}

// Clock setting 2: the same manual update, run by the service's own code
// behind the pipe, gives the same box, record and dumps as a local one.
TEST_F(RunUpdateTest, ThroughTheServiceAnUpdateLooksAsALocalOne) {
    Logging(1, 2);
    auto server = SntpServer();
    ASSERT_EQ(RunUpdate(true), UpdateOutcome::kClockSet);
    const LastUpdateRecord local = CopyLastUpdateRecord();
    const std::vector<std::string> local_entries = LogEntries();
    ASSERT_EQ(local_entries.size(), 2u);

    registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, "Protocol", kProtocolSntp);
    registry_.PutText(RegistryScope::kMachine, kSettingsKeyPath, "Server ip address", "127.0.0.1");
    registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, kClockSettingValueName,
                        kClockSettingService);
    TimeServiceHandler handler(nullptr);
    ServeThroughThePipe(handler);
    ASSERT_EQ(RunUpdate(true), UpdateOutcome::kClockSet);

    EXPECT_EQ(service_pipe_.requests.size(), 1u);
    const LastUpdateRecord remote = CopyLastUpdateRecord();
    EXPECT_EQ(remote.valid, 1);
    EXPECT_EQ(std::tie(remote.protocol, remote.stratum, remote.version_number),
              std::tie(local.protocol, local.stratum, local.version_number));
    EXPECT_STREQ(remote.server_name, local.server_name);
    EXPECT_EQ(remote.server_address.address, local.server_address.address);
    const std::vector<std::string> entries = LogEntries();
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[3], "Manual update successful");
    // The dumps differ only in the packets' timestamps.
    EXPECT_EQ(entries[2].size(), local_entries[0].size());
    EXPECT_EQ(entries[2].substr(0, 60), local_entries[0].substr(0, 60));
    EXPECT_EQ(ui_.boxes().size(), 2u);
    EXPECT_EQ(ErrorWindowText(), "");

    // A kiss comes back with its code: logged, and the round ends.
    AnswerWithKiss("RATE");
    EXPECT_EQ(RunUpdate(false), UpdateOutcome::kFailedForRound);
    EXPECT_EQ(LogEntries().back(), "Server 127.0.0.1 sent kiss code RATE.");
}

// Within an automatic round only a time-out (or a network error) is tried
// again: any answer from the server, good for nothing as it may be, ends
// the round after one request.
TEST_F(RunUpdateTest, OnlySilenceIsAskedAgainWithinARound) {
    struct Case {
        const char* name;
        std::function<Datagrams(const std::vector<std::uint8_t>&)> answer;
        int requests;
    };
    auto reply_with = [](std::function<void(SntpPacket&)> change) {
        return [change](const std::vector<std::uint8_t>& in) {
            SntpPacket reply;
            reply.version_number = 4;
            reply.mode = kModeServer;
            reply.stratum = 8;
            reply.originate_timestamp = DecodePacket(in.data()).transmit_timestamp;
            reply.receive_timestamp = reply.originate_timestamp;
            reply.transmit_timestamp = reply.originate_timestamp;
            change(reply);
            return Datagrams{Encode(reply)};
        };
    };
    const Case cases[] = {
        {"silent", [](const std::vector<std::uint8_t>&) { return Datagrams{}; }, 3},
        {"not a reply", reply_with([](SntpPacket& p) { p.originate_timestamp = 1; }), 1},
        {"not synchronised", reply_with([](SntpPacket& p) { p.stratum = 16; }), 1},
        {"kiss", reply_with([](SntpPacket& p) {
             p.stratum = 0;
             p.reference_identifier = KissWord("RATE");
         }),
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ForgetKissCodes();
        UdpTestServer server(c.answer);
        SetSntpServerPort(server.port());
        const std::size_t waits_before = RetryWaits().size();
        EXPECT_EQ(UpdateWithRetries(), 0);
        EXPECT_EQ(server.requests_seen(), c.requests);
        // One address: each repeat waits the whole spacing (the ticks
        // stand still here).
        const std::vector<std::uint32_t> waits = RetryWaits();
        EXPECT_EQ(waits.size() - waits_before, static_cast<std::size_t>(c.requests - 1));
        for (std::size_t i = waits_before; i < waits.size(); ++i)
            EXPECT_EQ(waits[i], kRepeatSpacingMs);
    }
}

// A service that does not run is said once per round: in the manual
// update's failure, or alone in the error window for an automatic round,
// which asks no more that round.
TEST_F(RunUpdateTest, ThroughTheServiceAServiceThatDoesNotRunIsSaidOnce) {
    Logging(1, 0);
    registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, kClockSettingValueName,
                        kClockSettingAutomatic);
    privileges_.holds_systemtime = false;
    service_pipe_.error = kErrorPipeNotFound;
    EXPECT_EQ(RunUpdate(true), UpdateOutcome::kFailedForRound);
    EXPECT_EQ(UpdateWithRetries(), 0);
    EXPECT_EQ(service_pipe_.requests.size(), 2u);
    const std::string manual = "Manual update failed.  The Orvane Time Service is not running";
    EXPECT_EQ(LogEntries(), std::vector<std::string>{manual});
    const std::string window = ErrorWindowText();
    EXPECT_NE(window.find(": " + manual + "\r\n"), std::string::npos);
    EXPECT_NE(window.find(": The Orvane Time Service is not running\r\n"), std::string::npos);
    EXPECT_EQ(window.find("1314"), std::string::npos);
    EXPECT_TRUE(clock_.system_times_set().empty());
}

TEST_F(RunUpdateTest, SntpMediumLevelWritesOneLine) {
    Logging(1, 1);
    auto server = SntpServer();
    ASSERT_EQ(RunUpdate(false), UpdateOutcome::kClockSet);
    EXPECT_EQ(LogEntries(),
              std::vector<std::string>{"SNTP external update: Source IP address=127.0.0.1"});
}

TEST_F(RunUpdateTest, TimeUpdateKeepsVersionAndStratumOfTheSntpUpdateBefore) {
    Logging(1, 2);
    auto sntp = SntpServer();
    ASSERT_EQ(RunUpdate(false), UpdateOutcome::kClockSet);
    UpdateSettings([&](SettingsRecord& live) { live.protocol = kProtocolTimeUdp; });
    auto time = TimeServer();

    ASSERT_EQ(RunUpdate(false), UpdateOutcome::kClockSet);
    LastUpdateRecord record = CopyLastUpdateRecord();
    EXPECT_EQ(record.protocol, kProtocolTimeUdp);
    EXPECT_EQ(record.stratum, 8);
    EXPECT_EQ(record.version_number, 3);
    std::vector<std::string> entries = LogEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[1],
              "TIME (UDP) external update:\n\n\tSource IP address=127.0.0.1\n"
              "\tReceived time=2162884545\n");
}

TEST(TimeReportText, TcpMaximumPrintsTheWireBytesLeastSignificantFirst) {
    const std::uint8_t wire[4] = {0xC1, 0xFF, 0xEA, 0x80};
    ASSERT_EQ(TimeWordSeconds(TimeWordFromBytes(wire)), 3254774400u);
    EXPECT_EQ(TimeReportText("TIME (TCP)", TimeWordFromBytes(wire),
                             net::MakeAddress(0x0A000102, kTimePort), true),
              "TIME (TCP) external update:\n\n\tSource IP address=10.0.1.2\n"
              "\tReceived time=2162884545\n");
    EXPECT_EQ(TimeReportText("TIME (TCP)", TimeWordFromBytes(wire),
                             net::MakeAddress(0x0A000102, kTimePort), false),
              "TIME (TCP) external update: Source IP address=10.0.1.2");
}

TEST_F(RunUpdateTest, TimeTcpReportFollowsTheLoggingLevel) {
    const std::uint8_t wire[4] = {0xC1, 0xFF, 0xEA, 0x80};
    const net::SocketAddress server = net::MakeAddress(0x7F000001, kTimePort);
    Logging(1, 0);
    TimeTcpReport(TimeWordFromBytes(wire), server);
    Logging(0, 2);
    TimeTcpReport(TimeWordFromBytes(wire), server);
    Logging(1, 2);
    TimeTcpReport(TimeWordFromBytes(wire), server);
    Logging(1, 1);
    TimeTcpReport(TimeWordFromBytes(wire), server);
    EXPECT_EQ(LogEntries(), (std::vector<std::string>{
                                "TIME (TCP) external update:\n\n\tSource IP "
                                "address=127.0.0.1\n\tReceived time=2162884545\n",
                                "TIME (TCP) external update: Source IP address=127.0.0.1"}));
}

}  // namespace
}  // namespace orvane
