#include "engine/broadcast_handler.h"

#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "platform/fixed_text.h"
#include "service/clock_setting.h"
#include "service/service_broadcasts.h"
#include "settings/settings_store.h"
#include "support/engine_fixture.h"

namespace orvane {
namespace {

class BroadcastHandlerTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        SetBroadcastClockFailureReporter([this](const std::string& text) {
            reported_.push_back(text);
            codes_.push_back(GetLastErrorCode());
        });
        packet_.leap_indicator = 0;
        packet_.version_number = 4;
        packet_.mode = 5;
        packet_.stratum = 9;
        // 2003-02-21 00:00:00.500 UTC.
        packet_.transmit_timestamp = MakeWireTimestamp(3254774400u, 0x80000000u);
        StoreLastUpdateRecord(LastUpdateRecord());
        ModifyLastUpdateRecord(
            [](LastUpdateRecord& r) { CopyToField(r.link_text, "Link active since then"); });
    }
    void TearDown() override {
        SetBroadcastClockFailureReporter(nullptr);
        EngineTest::TearDown();
    }

    // The precise clock now: a packet that arrived at once.
    static std::uint64_t Now() { return HostForm(CurrentNtpTime()); }

    SntpPacket packet_;
    const net::SocketAddress source_ = net::MakeAddress(0xC0A80105, 1124);
    std::vector<std::string> reported_;
    std::vector<int> codes_;
};

TEST_F(BroadcastHandlerTest, SetsTheClockToTheTransmitTimeAndFillsTheRecord) {
    clock_.SetLocal(SystemTime{2003, 2, 5, 21, 1, 2, 3, 4});
    BroadcastReceived(packet_, source_, Now());

    ASSERT_EQ(clock_.system_times_set().size(), 1u);
    EXPECT_EQ(clock_.system_times_set()[0], (SystemTime{2003, 2, 5, 21, 0, 0, 0, 500}));
    LastUpdateRecord record = CopyLastUpdateRecord();
    EXPECT_EQ(record.valid, 1);
    EXPECT_EQ(record.protocol, kProtocolSntpBroadcast);
    EXPECT_EQ(record.round_trip_delay, 0);
    EXPECT_EQ(record.stratum, 9);
    EXPECT_EQ(record.version_number, 4);
    EXPECT_STREQ(record.server_name, "[unknown]");
    EXPECT_EQ(record.server_address.address, source_.address);
    EXPECT_EQ(record.server_address.port, source_.port);
    EXPECT_EQ(record.time_before, (SystemTime{2003, 2, 5, 21, 1, 2, 3, 4}));
    EXPECT_STREQ(record.link_text, "Link active since then");
    ASSERT_EQ(ui_.refreshes().size(), 1u);
    EXPECT_EQ(ui_.refreshes()[0].protocol, kProtocolSntpBroadcast);
    EXPECT_EQ(lookup_.reverse_lookups(), std::vector<std::uint32_t>{source_.address});
}

TEST_F(BroadcastHandlerTest, SourceWithAHostNameIsShownByName) {
    lookup_.AddReverse(source_.address, "timeserver.lan");
    BroadcastReceived(packet_, source_, Now());
    EXPECT_STREQ(CopyLastUpdateRecord().server_name, "timeserver.lan");
}

TEST_F(BroadcastHandlerTest, EachSenderIsLookedUpOnce) {
    const net::SocketAddress other = net::MakeAddress(0xC0A80106, 123);
    lookup_.AddReverse(other.address, "second.lan");
    for (int i = 0; i < 3; ++i) {
        BroadcastReceived(packet_, source_, Now());
        BroadcastReceived(packet_, other, Now());
    }
    EXPECT_EQ(lookup_.reverse_lookups(),
              (std::vector<std::uint32_t>{source_.address, other.address}));
    EXPECT_STREQ(CopyLastUpdateRecord().server_name, "second.lan");
    BroadcastReceived(packet_, source_, Now());
    EXPECT_STREQ(CopyLastUpdateRecord().server_name, "[unknown]");
}

TEST_F(BroadcastHandlerTest, LogsOneLineAtMedium) {
    Logging(1, 1);
    BroadcastReceived(packet_, source_, Now());
    EXPECT_EQ(LogEntries(),
              std::vector<std::string>{"SNTP multicast received: Source IP address=192.168.1.5"});
}

TEST_F(BroadcastHandlerTest, LogsThePacketDumpAtMaximum) {
    Logging(1, 2);
    BroadcastReceived(packet_, source_, Now());
    std::string dump = PacketDump(packet_);
    IndentText(dump, 2);
    std::vector<std::string> entries = LogEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0],
              "SNTP multicast received:\n\n\tSource IP address=192.168.1.5\n\n"
              "\tOutgoing packet:\n\n\tPacket:\n" +
                  dump);
    EXPECT_NE(entries[0].find("Outgoing packet:\n\n\tPacket:\n\t\t"), std::string::npos);
}

TEST_F(BroadcastHandlerTest, LogsNothingAtMinimumOrWithLoggingOff) {
    Logging(1, 0);
    BroadcastReceived(packet_, source_, Now());
    Logging(0, 2);
    BroadcastReceived(packet_, source_, Now());
    EXPECT_TRUE(LogEntries().empty());
    EXPECT_EQ(CopyLastUpdateRecord().valid, 1);
}

TEST_F(BroadcastHandlerTest, ClockThatCannotBeSetIsNoUpdateAndIsReportedOnce) {
    Logging(1, 2);
    clock_.FailSettersWith(kErrorPrivilegeNotHeld);
    for (int i = 0; i < 5; ++i)
        BroadcastReceived(packet_, source_, Now());

    EXPECT_EQ(reported_, std::vector<std::string>{"SetSystemTime() failed, error code 1314"});
    EXPECT_EQ(codes_, std::vector<int>{kErrorPrivilegeNotHeld});
    EXPECT_EQ(CopyLastUpdateRecord().valid, 0);
    EXPECT_TRUE(ui_.refreshes().empty());
    EXPECT_TRUE(LogEntries().empty());
    EXPECT_TRUE(lookup_.reverse_lookups().empty());

    // A success re-arms the report for the next failure.
    clock_.FailSettersWith(0);
    BroadcastReceived(packet_, source_, Now());
    EXPECT_EQ(CopyLastUpdateRecord().valid, 1);
    clock_.FailSettersWith(kErrorPrivilegeNotHeld);
    BroadcastReceived(packet_, source_, Now());
    EXPECT_EQ(reported_.size(), 2u);
}

// The packet's time, carried from its arrival to the moment of setting and
// rounded to the nearest millisecond, by Orvane.exe and the service alike.
TEST_F(BroadcastHandlerTest, SetsThePacketTimePlusTheTimeSinceArrival) {
    constexpr std::uint64_t kMs = (1ULL << 32) / 1000;
    struct Case {
        const char* name;
        std::uint32_t fraction;  // of the packet's transmit time
        std::uint64_t since_arrival;
        std::uint16_t seconds, milliseconds;  // of the time set
    };
    const Case cases[] = {
        {"at once", 0x80000000u, 0, 0, 500},
        {"rounds down", 0, kMs * 14 / 10, 0, 1},
        {"rounds up", 0, kMs * 16 / 10, 0, 2},
        {"a quarter second later", 0x80000000u, kMs * 250, 0, 750},
        {"into the next second", 0xF0000000u, kMs * 1003 / 10, 1, 38},
    };
    const net::SocketAddress lan_sender = net::MakeAddress(0xC0000202, 123);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        packet_.transmit_timestamp = MakeWireTimestamp(3254774400u, c.fraction);
        const std::uint64_t arrival = Now() - c.since_arrival;
        const SystemTime wanted{2003, 2, 5, 21, 0, 0, c.seconds, c.milliseconds};
        BroadcastReceived(packet_, source_, arrival);
        ServiceBroadcastReceived(packet_, lan_sender, arrival);
        const std::vector<SystemTime> set = clock_.system_times_set();
        ASSERT_GE(set.size(), 2u);
        EXPECT_EQ(set[set.size() - 2], wanted);
        EXPECT_EQ(set.back(), wanted);
    }
}

// Without the privilege Orvane sets nothing and hands nothing on: the
// service hears the broadcast itself, and what it reports having applied is
// what is shown and logged, once per broadcast it applied. A pipe held by
// another program, or no service, is reported once.
TEST_F(BroadcastHandlerTest, ThroughTheServiceOnlyWhatItApplied) {
    privileges_.holds_systemtime = false;
    TimeServiceHandler handler(nullptr);
    ServeThroughThePipe(handler);
    const net::SocketAddress lan_sender = net::MakeAddress(0xC0000202, 123);
    SntpPacket applied = packet_;
    applied.stratum = 3;
    struct Step {
        const char* name;
        bool service_applies;  // the service sets the clock before it is asked
        int pipe_error;
        std::uint32_t holder;  // the pipe's server process
        bool shown;
        std::size_t reports;
    };
    const Step steps[] = {
        {"nothing applied", false, 0, 4242, false, 0},
        {"applied", true, 0, 4242, true, 0},
        {"the same one again", false, 0, 4242, false, 0},
        {"another program holds the pipe", true, 0, 666, false, 1},
        {"no service", true, kErrorPipeNotFound, 0, false, 1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        StoreLastUpdateRecord(LastUpdateRecord());
        if (step.service_applies)
            ServiceBroadcastReceived(applied, lan_sender, Now());
        service_pipe_.error = step.pipe_error;
        service_pipe_.server_process_id = step.holder;
        BroadcastReceived(packet_, source_, Now());
        const LastUpdateRecord record = CopyLastUpdateRecord();
        EXPECT_EQ(record.valid, step.shown ? 1 : 0);
        if (step.shown) {
            EXPECT_EQ(record.server_address.address, lan_sender.address);
            EXPECT_EQ(record.stratum, 3);
        }
        EXPECT_EQ(reported_.size(), step.reports);
    }
    EXPECT_EQ(reported_[0], "A program other than the Orvane Time Service holds its pipe");
    // Only the service's own clock setting happened.
    EXPECT_EQ(clock_.system_times_set().size(), 3u);
}

}  // namespace
}  // namespace orvane
