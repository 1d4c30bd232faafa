// The sanity bounds as updates meet them: Orvane.exe setting the clock
// itself, and the Orvane Time Service answering Orvane.exe (Clock setting 2).
#include <gtest/gtest.h>

#include "engine/broadcast_handler.h"
#include "engine/update_execution.h"
#include "protocols/sntp_client.h"
#include "service/clock_setting.h"
#include "service/service_broadcasts.h"
#include "service/time_service_client.h"
#include "settings/settings_store.h"
#include "support/engine_fixture.h"
#include "support/udp_test_server.h"

namespace orvane {
namespace {

using testing::UdpTestServer;
using Datagrams = std::vector<std::vector<std::uint8_t>>;

constexpr std::int64_t kDayMs = 86400000;
constexpr char kRefusedThreeDays[] =
    "Correction of 3 days 00:00:00 refused: larger than the largest allowed correction of "
    "2 days 00:00:00";
constexpr char kAskThreeDays[] =
    "The time server's clock differs from this PC's clock by 3 days 00:00:00.  Set the clock to "
    "the server's time?";

class UpdateBoundsTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        server_ahead_ms_ = 0;
        // A new service each time: its rate limit and first round start afresh.
        service_ = std::make_unique<TimeServiceHandler>(nullptr);
        server_ = std::make_unique<UdpTestServer>([this](const std::vector<std::uint8_t>& in) {
            if (in.size() < kSntpPacketSize)
                return Datagrams{};
            SntpPacket reply;
            reply.version_number = 4;
            reply.mode = kModeServer;
            reply.stratum = 2;
            reply.originate_timestamp = DecodePacket(in.data()).transmit_timestamp;
            const std::uint64_t ahead =
                static_cast<std::uint64_t>(server_ahead_ms_.load() / 1000) << 32;
            reply.receive_timestamp = HostForm(HostForm(reply.originate_timestamp) + ahead);
            reply.transmit_timestamp = reply.receive_timestamp;
            std::vector<std::uint8_t> bytes(kSntpPacketSize);
            EncodePacket(reply, bytes.data());
            return Datagrams{bytes};
        });
        SetSntpServerPort(server_->port());
        UpdateSettings([](SettingsRecord& s) {
            s.protocol = kProtocolSntp;
            s.enable_logging = 1;
            s.logging_level = 0;  // said at every level
            s.server_address = net::MakeAddress(0x7F000001, 0);
        });
        registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, "Protocol", kProtocolSntp);
        registry_.PutText(RegistryScope::kMachine, kSettingsKeyPath, "Server ip address",
                          "127.0.0.1");
        // The fixture's registry outlives a table's rows: each row starts
        // setting the clock itself, with the default bound.
        registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, kClockSettingValueName,
                            kClockSettingItself);
        registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, "Largest correction",
                            static_cast<std::int32_t>(kDefaultLargestCorrectionSeconds));
    }
    void TearDown() override {
        SetSntpServerPort(kSntpPort);
        EngineTest::TearDown();
    }

    // Orvane.exe's update, manual or automatic, as the scheduler runs it.
    UpdateOutcome Update(bool manual) {
        return RunUpdate(manual);
    }
    void ThroughTheService() {
        registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, kClockSettingValueName,
                            kClockSettingService);
        ServeThroughThePipe(*service_);
    }
    int LogCount(const std::string& text) const {
        int count = 0;
        for (const std::string& entry : LogEntries())
            count += entry == text ? 1 : 0;
        return count;
    }
    bool LogHas(const std::string& text) const { return LogCount(text) > 0; }

    std::unique_ptr<UdpTestServer> server_;
    std::atomic<std::int64_t> server_ahead_ms_{0};
    std::unique_ptr<TimeServiceHandler> service_;
};

// One table for both ways of setting the clock: after a first small
// correction, a server three days ahead.
TEST_F(UpdateBoundsTest, AfterAFirstSmallCorrectionAServerThreeDaysAheadIsRefusedOrAskedAbout) {
    struct Case {
        const char* what;
        bool through_service;
        bool manual;
        bool yes;
        UpdateOutcome outcome;
        std::size_t questions;
        const char* log_entry;
    };
    const Case cases[] = {
        {"automatic", false, false, false, UpdateOutcome::kFailedForRound, 0, kRefusedThreeDays},
        {"manual, no", false, true, false, UpdateOutcome::kFailedForRound, 1,
         "Manual update cancelled"},
        {"manual, yes", false, true, true, UpdateOutcome::kClockSet, 1, "Manual update successful"},
        {"service, automatic", true, false, false, UpdateOutcome::kFailedForRound, 0,
         kRefusedThreeDays},
        {"service, manual, no", true, true, false, UpdateOutcome::kFailedForRound, 1,
         "Manual update cancelled"},
        {"service, manual, yes", true, true, true, UpdateOutcome::kClockSet, 1,
         "Manual update successful"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.through_service)
            ThroughTheService();
        ui_.AnswerQuestionsWith(c.yes);
        ASSERT_EQ(Update(false), UpdateOutcome::kClockSet);  // the first, small correction
        const std::size_t sets_before = clock_.system_times_set().size();
        const std::size_t asked_before = ui_.questions().size();
        server_ahead_ms_ = 3 * kDayMs;

        EXPECT_EQ(Update(c.manual), c.outcome);
        const std::vector<FakeEngineUiSink::Box> questions = ui_.questions();
        ASSERT_EQ(questions.size(), asked_before + c.questions);
        if (c.questions != 0) {
            EXPECT_EQ(questions.back().text, kAskThreeDays);
            EXPECT_EQ(questions.back().caption, "Orvane");
        }
        EXPECT_EQ(clock_.system_times_set().size(), sets_before + (c.yes ? 1 : 0));
        EXPECT_TRUE(LogHas(c.log_entry));
        // An automatic round says the refusal once, in the error window too.
        EXPECT_EQ(LogCount(kRefusedThreeDays), c.manual ? 0 : 1);
        if (!c.manual) {
            const std::string window = ErrorWindowText();
            EXPECT_NE(window.find(kRefusedThreeDays), std::string::npos) << window;
            EXPECT_EQ(window.find(kRefusedThreeDays), window.rfind(kRefusedThreeDays));
        }
    }
}

// Confirmed here, the clock moves by the correction measured: three days
// from the clock as it reads when the user says yes.
TEST_F(UpdateBoundsTest, YesSetsTheClockAsItReadsThenPlusTheCorrection) {
    server_ahead_ms_ = 3 * kDayMs;
    ui_.AnswerQuestionsWith(true);
    ASSERT_EQ(Update(true), UpdateOutcome::kClockSet);
    ASSERT_EQ(clock_.system_times_set().size(), 1u);
    EXPECT_EQ(clock_.system_times_set()[0], (SystemTime{2003, 2, 1, 24, 0, 0, 0, 0}));
}

// The first automatic round after start may make any correction; a new
// start gives the allowance again, and the service keeps its own.
TEST_F(UpdateBoundsTest, TheFirstAutomaticRoundMayMakeAnyCorrection) {
    for (const bool through_service : {false, true}) {
        SCOPED_TRACE(through_service ? "service" : "itself");
        TearDown();
        SetUp();
        if (through_service)
            ThroughTheService();
        server_ahead_ms_ = 400 * kDayMs;
        EXPECT_EQ(Update(false), UpdateOutcome::kClockSet);
        server_ahead_ms_ = 3 * kDayMs;
        EXPECT_EQ(Update(false), UpdateOutcome::kFailedForRound);
        ForgetFirstAutomaticUpdate();
        EXPECT_EQ(Update(false), through_service ? UpdateOutcome::kFailedForRound
                                                 : UpdateOutcome::kClockSet);
    }
}

TEST_F(UpdateBoundsTest, TheLargestCorrectionComesFromTheSettingsAndZeroMeansNoLimit) {
    struct Case {
        std::uint32_t largest_s;
        std::int64_t ahead_ms;
        UpdateOutcome outcome;
    };
    for (const Case& c : {Case{0, 3650 * kDayMs, UpdateOutcome::kClockSet},
                          Case{60, 60000, UpdateOutcome::kClockSet},
                          Case{60, 61000, UpdateOutcome::kFailedForRound},
                          Case{3 * 86400, 3 * kDayMs, UpdateOutcome::kClockSet}}) {
        for (const bool through_service : {false, true}) {
            SCOPED_TRACE(std::to_string(c.largest_s) + (through_service ? " service" : ""));
            TearDown();
            SetUp();
            if (through_service)
                ThroughTheService();
            UpdateSettings([&](SettingsRecord& s) { s.largest_correction = c.largest_s; });
            registry_.PutNumber(RegistryScope::kMachine, kSettingsKeyPath, "Largest correction",
                                static_cast<std::int32_t>(c.largest_s));
            ASSERT_EQ(Update(false), UpdateOutcome::kClockSet);
            server_ahead_ms_ = c.ahead_ms;
            EXPECT_EQ(Update(false), c.outcome);
        }
    }
}

// Checked first: not even the first round or a manual update sets a time
// before the build, and nobody is asked.
TEST_F(UpdateBoundsTest, ATimeBeforeTheBuildIsNeverSetNorAskedAbout) {
    for (const bool through_service : {false, true}) {
        for (const bool manual : {false, true}) {
            SCOPED_TRACE(std::string(through_service ? "service" : "itself") +
                         (manual ? " manual" : " automatic"));
            TearDown();
            SetUp();
            if (through_service)
                ThroughTheService();
            ui_.AnswerQuestionsWith(true);
            server_ahead_ms_ = -5000 * kDayMs;  // 1989
            EXPECT_EQ(Update(manual), UpdateOutcome::kFailedForRound);
            EXPECT_TRUE(clock_.system_times_set().empty());
            EXPECT_TRUE(ui_.questions().empty());
            const std::string text = manual ? "Manual update failed.  Server's time is before "
                                              "this program was built"
                                            : "Server's time is before this program was built";
            EXPECT_TRUE(LogHas(text));
            EXPECT_NE(ErrorWindowText().find(text), std::string::npos);
        }
    }
}

// The service's own answers: a manual, unconfirmed request beyond the
// bound sets nothing and carries the correction; confirmed, it is set.
TEST_F(UpdateBoundsTest, TheServiceAnswersWithTheCorrectionOrAppliesItWhenConfirmed) {
    struct Case {
        const char* what;
        std::uint32_t flags;
        bool has_tail;
        int result;
        bool awaits;
    };
    const Case cases[] = {
        {"header only: manual, unconfirmed", 0, false, 0, true},
        {"manual, unconfirmed", 0, true, 0, true},
        {"manual, confirmed", kUpdateConfirmed, true, 1, false},
        {"automatic, after a first success", kUpdateAutomatic, true, 0, false},
        {"automatic, confirmed means nothing", kUpdateAutomatic | kUpdateConfirmed, true, 0,
         false},
    };
    UpdateRequest first;
    first.has_tail = true;
    first.flags = kUpdateAutomatic;
    ASSERT_EQ(service_->Update(0, first, RequestOrigin{5, 1}).update.result, 1);
    server_ahead_ms_ = 3 * kDayMs;
    std::uint64_t now_ms = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        now_ms += 60000;  // clear of the rate limit
        UpdateRequest request;
        request.has_tail = c.has_tail;
        request.flags = c.flags;
        const UpdateAnswer u = service_->Update(now_ms, request, RequestOrigin{5, 1}).update;
        EXPECT_EQ(u.result, c.result) << u.error_text;
        EXPECT_EQ(u.awaits_confirmation, c.awaits);
        EXPECT_EQ(u.correction_ms / 1000, 3 * 86400);
        EXPECT_EQ(u.error_text, c.awaits || c.result == 1 ? "" : kRefusedThreeDays);
    }
    EXPECT_EQ(clock_.system_times_set().size(), 2u);
}

// Broadcasts never get the first round's allowance: beyond the bound they
// set nothing, said once in Orvane.exe's error window and log, and once in
// the service's event log.
TEST_F(UpdateBoundsTest, BroadcastsBeyondTheBoundSetNothingEvenTheFirst) {
    SetBroadcastClockFailureReporter(AppendToErrorWindow);
    const std::uint64_t now = HostForm(CurrentNtpTime());
    struct Case {
        std::int64_t ahead_s;
        bool set;
    };
    for (const Case& c : {Case{3 * 86400, false}, Case{3 * 86400, false},
                          Case{2 * 86400, true}, Case{-2 * 86400 - 1, false}}) {
        SCOPED_TRACE(c.ahead_s);
        SntpPacket packet;
        packet.mode = kModeBroadcast;
        packet.version_number = 4;
        packet.stratum = 3;
        packet.transmit_timestamp =
            HostForm(now + (static_cast<std::uint64_t>(c.ahead_s) << 32));
        const std::size_t sets_before = clock_.system_times_set().size();
        BroadcastReceived(packet, net::MakeAddress(0xC0000202, 123), now);
        ServiceBroadcastReceived(packet, net::MakeAddress(0xC0000202, 123), now);
        EXPECT_EQ(clock_.system_times_set().size(), sets_before + (c.set ? 2 : 0));
    }
    // Once each until a broadcast sets the clock again.
    EXPECT_EQ(LogCount(kRefusedThreeDays), 1);
    const std::string window = ErrorWindowText();
    EXPECT_EQ(window.find(kRefusedThreeDays), window.rfind(kRefusedThreeDays));
    EXPECT_NE(window.find("Correction of 2 days 00:00:01 refused"), std::string::npos) << window;
    const std::vector<std::string> events = EventLogTexts();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0], std::string("The time of a broadcast from 192.0.2.2 was not set: ") +
                             kRefusedThreeDays);
    SetBroadcastClockFailureReporter(nullptr);
}

}  // namespace
}  // namespace orvane
