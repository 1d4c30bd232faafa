#include "engine/update_scheduler.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <iterator>

#include "engine/dialup_events.h"
#include "engine/silent_server.h"
#include "protocols/sntp_client.h"
#include "support/engine_fixture.h"
#include "support/udp_test_server.h"
#include "settings/live_settings.h"

namespace orvane {
namespace {

constexpr std::int64_t kHour = 3600000;
constexpr std::int64_t kDay = 24 * kHour;

class SchedulerTest : public EngineTest {
  protected:
    void SetUp() override {
        EngineTest::SetUp();
        semaphore_ = std::make_shared<FakeUpdateSemaphore>();
        SetUpdateSemaphoreFactory([this] { return semaphore_; });
        SetUpdateRunner([this](bool manual) {
            ++runs_;
            std::lock_guard<std::mutex> lock(mutex_);
            run_times_.push_back(semaphore_->now());
            manual_at_run_.push_back(manual ? 1 : 0);
            if (during_run_)
                during_run_();
            return result_.load();
        });
        UpdateSettings([&](SettingsRecord& live) {
            live.update_interval = 60;
            CopyToField(live.dialup_server_name, "Work");
        });
        dialup_.SetDialEntryName("Work");
        dialup_.SetDialEventHandler(DialupEventHandler);
        // Pauses as set, unless a test spreads them.
        SetPauseSpreadSource([] { return 0; });
        ForgetSilentRounds();
    }
    void TearDown() override {
        EngineTest::TearDown();
        SetPauseSpreadSource(nullptr);
        ForgetSilentRounds();
    }

    // Lets the update thread misbehave, if it would, before checking.
    static void Settle() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

    std::vector<std::int64_t> RunTimes() {
        std::lock_guard<std::mutex> lock(mutex_);
        return run_times_;
    }

    std::shared_ptr<FakeUpdateSemaphore> semaphore_;
    std::atomic<int> runs_{0};
    std::atomic<UpdateOutcome> result_{UpdateOutcome::kClockSet};
    std::mutex mutex_;
    std::vector<std::int64_t> run_times_;
    std::vector<int> manual_at_run_;
    std::function<void()> during_run_;
};

// --- the update thread ---

TEST_F(SchedulerTest, RoundAtStartThenOneIntervalAfterThePreviousRoundEnded) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 1; });
    // Each round takes five seconds of the driven clock.
    during_run_ = [this] { semaphore_->Advance(5000); };
    StartUpdateThread();

    ASSERT_TRUE(semaphore_->WaitForWaitNumber(1));
    EXPECT_EQ(runs_.load(), 1);
    EXPECT_EQ(semaphore_->limits()[0], kHour);
    semaphore_->Advance(kHour - 1);
    Settle();
    EXPECT_EQ(runs_.load(), 1);
    semaphore_->Advance(1);
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(2));
    EXPECT_EQ(runs_.load(), 2);

    // Ten more intervals: exactly ten more rounds, none lost or doubled.
    for (std::size_t i = 3; i <= 12; ++i) {
        semaphore_->Advance(kHour);
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(i));
        EXPECT_EQ(runs_.load(), static_cast<int>(i));
    }
    Settle();
    EXPECT_EQ(runs_.load(), 12);
    std::vector<std::int64_t> times = RunTimes();
    ASSERT_EQ(times.size(), 12u);
    EXPECT_EQ(times[0], 0);
    for (std::size_t i = 1; i < times.size(); ++i) {
        EXPECT_EQ(times[i] - times[i - 1], kHour + 5000) << "round " << i;
    }
}

TEST_F(SchedulerTest, ManualRequestWithUpdatesOffRunsOneRound) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 0; });
    StartUpdateThread();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(1));
    EXPECT_EQ(semaphore_->limits()[0], kWaitForever);
    EXPECT_EQ(runs_.load(), 0);

    RequestManualUpdate();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(2));
    EXPECT_EQ(runs_.load(), 1);
    EXPECT_EQ(manual_at_run_, std::vector<int>{1});
    EXPECT_EQ(semaphore_->limits()[1], kHour);

    semaphore_->Advance(kHour);
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(3));
    EXPECT_EQ(semaphore_->limits()[2], kWaitForever);
    EXPECT_EQ(runs_.load(), 1);
}

// The request is taken once per round: a click while a round runs, whatever
// that round comes to, makes the next pass a manual round.
TEST_F(SchedulerTest, AClickDuringARoundIsNeverLost) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 1; });
    struct Run {
        UpdateOutcome result;
        bool click;   // the user asks while it runs
        int manual;   // what the run was told
    };
    const Run runs[] = {
        {UpdateOutcome::kFailed, false, 0},  // an automatic round that fails
        {UpdateOutcome::kFailed, false, 0},
        {UpdateOutcome::kFailed, true, 0},
        {UpdateOutcome::kClockSet, true, 1},  // the click's round, clicked again
        {UpdateOutcome::kClockSet, false, 1},
    };
    during_run_ = [&] {
        const Run& run = runs[std::min<std::size_t>(runs_.load(), std::size(runs)) - 1];
        result_ = run.result;
        if (run.click)
            RequestManualUpdate();
    };
    StartUpdateThread();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(3));
    Settle();
    EXPECT_EQ(runs_.load(), 5);
    std::vector<int> told;
    for (const Run& run : runs)
        told.push_back(run.manual);
    EXPECT_EQ(manual_at_run_, told);
    EXPECT_EQ(ManualUpdateFlag(), 0);
}

TEST_F(SchedulerTest, ThreeReleasesDuringARoundGiveThreeMorePasses) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 1; });
    during_run_ = [this] {
        during_run_ = nullptr;
        WakeUpdateThread();
        WakeUpdateThread();
        WakeUpdateThread();
    };
    StartUpdateThread();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(4));
    Settle();
    EXPECT_EQ(runs_.load(), 4);
    EXPECT_EQ(semaphore_->limits().size(), 4u);
    EXPECT_EQ(semaphore_->now(), 0);
}

TEST_F(SchedulerTest, IntervalOfZeroOrLessStillPausesAMinute) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.update_interval = 0; });
    StartUpdateThread();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(1));
    EXPECT_EQ(semaphore_->limits()[0], 60000);
    semaphore_->Advance(59999);
    Settle();
    EXPECT_EQ(runs_.load(), 1);
    UpdateSettings([&](SettingsRecord& live) { live.update_interval = -7; });
    semaphore_->Advance(1);
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(2));
    EXPECT_EQ(runs_.load(), 2);
    EXPECT_EQ(semaphore_->limits()[1], 60000);
}

// A server that leaves three rounds in a row unanswered gets a pause that
// doubles with each further one, up to a day; an answer brings the set
// interval back, as does a new link.
TEST_F(SchedulerTest, SilentRoundsStretchThePauseUntilAnAnswer) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 1; });
    result_ = UpdateOutcome::kFailed;
    struct Round {
        UpdateOutcome outcome;
        std::int64_t pause;
    };
    const Round rounds[] = {
        {UpdateOutcome::kFailed, kHour},       {UpdateOutcome::kFailed, kHour},
        {UpdateOutcome::kFailed, kHour},       {UpdateOutcome::kFailed, 2 * kHour},
        {UpdateOutcome::kFailed, 4 * kHour},   {UpdateOutcome::kFailed, 8 * kHour},
        {UpdateOutcome::kFailed, 16 * kHour},  {UpdateOutcome::kFailed, kDay},
        {UpdateOutcome::kFailed, kDay},        {UpdateOutcome::kClockSet, kHour},
    };
    StartUpdateThread();
    for (std::size_t i = 0; i < std::size(rounds); ++i) {
        SCOPED_TRACE(i + 1);
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(i + 1));
        EXPECT_EQ(semaphore_->limits()[i], rounds[i].pause);
        if (i + 1 < std::size(rounds))
            result_ = rounds[i + 1].outcome;
        semaphore_->Advance(rounds[i].pause);
    }
}

TEST_F(SchedulerTest, PausesAreSpreadByUpToATenth) {
    for (const auto& [random, pause] : std::vector<std::pair<int, std::int64_t>>{
             {0, kHour}, {500, kHour + kHour / 20}, {999, kHour + kHour * 999 / 10000}}) {
        SetPauseSpreadSource([random = random] { return random; });
        EXPECT_EQ(UpdatePauseMs(), pause) << random;
    }
    ForgetSilentRounds();
    for (int i = 0; i < 5; ++i)
        NoteRoundEnded(CurrentSettings(), true);
    SetPauseSpreadSource([] { return 0; });
    EXPECT_EQ(UpdatePauseMs(), 4 * kHour);
    ForgetSilentRounds();  // a new link
    EXPECT_EQ(UpdatePauseMs(), kHour);
}

TEST_F(SchedulerTest, LongIntervalDoesNotOverflow) {
    UpdateSettings([&](SettingsRecord& live) { live.update_interval = 100000; });  // about 69 days
    EXPECT_EQ(UpdatePauseMs(), 6000000000LL);
}

TEST_F(SchedulerTest, IntervalsBeyondTheWaitsRangeAreWaitedOutInPiecesOfADay) {
    for (std::int64_t minutes : {130000000LL, 2147483647LL}) {
        SCOPED_TRACE(minutes);
        semaphore_ = std::make_shared<FakeUpdateSemaphore>();
        runs_ = 0;
        UpdateSettings([&](SettingsRecord& live) {
            live.enable_updates = 1;
            live.update_interval = static_cast<std::int32_t>(minutes);
        });
        StartUpdateThread();
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(1));
        EXPECT_EQ(runs_.load(), 1);
        EXPECT_EQ(semaphore_->limits()[0], kDay);

        semaphore_->Advance(minutes * 60000 - 1);
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(2));
        Settle();
        EXPECT_EQ(runs_.load(), 1);
        EXPECT_EQ(semaphore_->limits()[1], 1);
        semaphore_->Advance(1);
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(3));
        EXPECT_EQ(runs_.load(), 2);
        EXPECT_EQ(semaphore_->limits()[2], kDay);

        // A release still ends the long wait at once.
        WakeUpdateThread();
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(4));
        EXPECT_EQ(runs_.load(), 3);
        StopUpdateThread();
        ASSERT_TRUE(WaitForUpdateThreadsToEnd(5000));
    }
}

TEST_F(SchedulerTest, RoundIsSkippedSilentlyWhileConfigurationDialogIsOpen) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 0; });
    UpdateSettings([&](SettingsRecord& live) { live.write_to_event_log = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.force_dial = 1; });
    dialup_.SetDialResult(1);
    ui_.SetConfigurationDialogOpen(true);
    StartUpdateThread();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(1));

    RequestManualUpdate();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(2));
    EXPECT_EQ(runs_.load(), 0);
    EXPECT_EQ(ManualUpdateFlag(), 0);  // the request is dropped
    EXPECT_EQ(dialup_.count("DialConfiguredEntry"), 0);
    EXPECT_TRUE(EventLogTexts().empty());
    EXPECT_EQ(ErrorWindowText(), "");
}

TEST_F(SchedulerTest, StopEndsTheThreadAndLaterWakeUpsDoNothing) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 0; });
    StartUpdateThread();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(1));
    StopUpdateThread();
    EXPECT_TRUE(WaitForUpdateThreadsToEnd(5000));
    WakeUpdateThread();
    EXPECT_EQ(semaphore_->count(), 0);
    EXPECT_EQ(runs_.load(), 0);
}

TEST(UpdateSemaphore, ReleasesBeyondTenAreLost) {
    CountingUpdateSemaphore semaphore;
    for (int i = 0; i < 12; ++i)
        semaphore.Release();
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(semaphore.Wait(0)) << i;
    EXPECT_FALSE(semaphore.Wait(0));
    EXPECT_FALSE(semaphore.Wait(20));
}

TEST(UpdateSemaphore, ReleaseFromAnotherThreadEndsAnUnlimitedWait) {
    CountingUpdateSemaphore semaphore;
    std::thread releaser([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        semaphore.Release();
    });
    EXPECT_TRUE(semaphore.Wait(kWaitForever));
    releaser.join();
}

// --- retries ---

TEST_F(SchedulerTest, ThreeFailuresLogTwoRetriesAndGivingUpAtMediumAndMaximum) {
    result_ = UpdateOutcome::kFailed;
    for (int level : {1, 2}) {
        std::filesystem::remove_all(root_ + "/logs");
        Logging(1, level);
        runs_ = 0;
        EXPECT_EQ(UpdateWithRetries(), 0);
        EXPECT_EQ(runs_.load(), 3);
        EXPECT_EQ(LogEntries(),
                  (std::vector<std::string>{
                      "Automatic external synchronisation failed, trying again.",
                      "Automatic external synchronisation failed, trying again.",
                      "Automatic external synchronisation failed 3 times, giving up."}))
            << "level " << level;
    }
}

TEST_F(SchedulerTest, RetriesAreNotLoggedAtMinimumOrWithLoggingOff) {
    result_ = UpdateOutcome::kFailed;
    Logging(1, 0);
    EXPECT_EQ(UpdateWithRetries(), 0);
    Logging(0, 2);
    EXPECT_EQ(UpdateWithRetries(), 0);
    EXPECT_EQ(runs_.load(), 6);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(SchedulerTest, RetriesStopAtTheFirstSuccess) {
    Logging(1, 1);
    SetUpdateRunner(
        [this](bool) { return ++runs_ == 2 ? UpdateOutcome::kClockSet : UpdateOutcome::kFailed; });
    EXPECT_EQ(UpdateWithRetries(), 1);
    EXPECT_EQ(runs_.load(), 2);
    EXPECT_EQ(LogEntries(),
              std::vector<std::string>{"Automatic external synchronisation failed, trying again."});
}

// --- kiss codes and refused clocks, through the real update ---

class KissSchedulerTest : public SchedulerTest {
  protected:
    void SetUp() override {
        SchedulerTest::SetUp();
        SetUpdateRunner(nullptr);
        SetSntpTextReporter([](const std::string& text) { AppendToErrorWindow(text); });
        UpdateSettings([&](SettingsRecord& live) {
            live.protocol = kProtocolSntp;
            CopyToField(live.server_name, "ntp.example");
            live.server_address = net::MakeAddress(0x7F000001, 0);
        });
        server_ =
            std::make_unique<testing::UdpTestServer>([this](const std::vector<std::uint8_t>& in) {
                std::vector<std::vector<std::uint8_t>> out;
                if (in.size() < kSntpPacketSize)
                    return out;
                SntpPacket reply;
                reply.version_number = 4;
                reply.mode = kModeServer;
                reply.stratum = 8;
                reply.originate_timestamp = DecodePacket(in.data()).transmit_timestamp;
                reply.receive_timestamp = reply.originate_timestamp;
                reply.transmit_timestamp = reply.originate_timestamp;
                std::lock_guard<std::mutex> lock(answers_mutex_);
                if (!answers_.empty()) {
                    const std::string code = answers_.front();
                    answers_.erase(answers_.begin());
                    if (!code.empty()) {
                        reply.stratum = 0;
                        reply.reference_identifier = static_cast<std::uint32_t>(code[0]) << 24 |
                                                     static_cast<std::uint32_t>(code[1]) << 16 |
                                                     static_cast<std::uint32_t>(code[2]) << 8 |
                                                     static_cast<std::uint32_t>(code[3]);
                    }
                }
                out.emplace_back(kSntpPacketSize);
                EncodePacket(reply, out.back().data());
                return out;
            });
        SetSntpServerPort(server_->port());
    }
    void TearDown() override {
        SchedulerTest::TearDown();
        server_.reset();
        SetSntpServerPort(kSntpPort);
        SetSntpTextReporter(nullptr);
    }

    // The server's next answers: a kiss code each, "" for the time.
    void Answer(std::vector<std::string> codes) {
        std::lock_guard<std::mutex> lock(answers_mutex_);
        answers_ = std::move(codes);
    }
    int Requests() const { return server_->requests_seen(); }

    std::unique_ptr<testing::UdpTestServer> server_;
    std::mutex answers_mutex_;
    std::vector<std::string> answers_;
};

TEST_F(KissSchedulerTest, RateDoublesThePauseUpToADayUntilASuccess) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 1; });
    Answer({"RATE", "RATE", "RATE", "RATE", "RATE", "RATE", ""});
    StartUpdateThread();
    const std::int64_t pauses[] = {2 * kHour, 4 * kHour, 8 * kHour, 16 * kHour, kDay, kDay, kHour};
    std::size_t waits = 0;
    for (std::size_t i = 0; i < std::size(pauses); ++i) {
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(++waits));
        EXPECT_EQ(semaphore_->limits()[waits - 1], pauses[i]) << "round " << i + 1;
        EXPECT_EQ(Requests(), static_cast<int>(i + 1));  // no retries after a kiss
        if (i == 0) {
            // Woken early (the user's connection, new settings): the rest
            // of the pause is waited out without asking.
            semaphore_->Advance(kHour);
            WakeUpdateThread();
            ASSERT_TRUE(semaphore_->WaitForWaitNumber(++waits));
            EXPECT_EQ(semaphore_->limits()[waits - 1], kHour);
            EXPECT_EQ(Requests(), 1);
            semaphore_->Advance(kHour);
            continue;
        }
        semaphore_->Advance(pauses[i]);
    }
}

TEST_F(KissSchedulerTest, DenyAndRestrictStopAutomaticRequestsUntilTheServerChanges) {
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 1; });
    int expected_requests = 0;
    std::size_t waits = 0;
    for (const char* code : {"DENY", "RSTR"}) {
        SCOPED_TRACE(code);
        Answer({code, code});
        if (waits == 0) {
            StartUpdateThread();
        } else {
            semaphore_->Advance(kHour);
        }
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(++waits));
        EXPECT_EQ(Requests(), ++expected_requests);

        // Later rounds ask nothing.
        for (int i = 0; i < 3; ++i) {
            semaphore_->Advance(kHour);
            ASSERT_TRUE(semaphore_->WaitForWaitNumber(++waits));
        }
        EXPECT_EQ(Requests(), expected_requests);
        EXPECT_EQ(semaphore_->limits().back(), kHour);

        // A manual update asks, and is told the same.
        RequestManualUpdate();
        ASSERT_TRUE(semaphore_->WaitForWaitNumber(++waits));
        EXPECT_EQ(Requests(), ++expected_requests);
        EXPECT_NE(ErrorWindowText().find(": Manual update failed.  Server sent kiss code " +
                                         std::string(code) + "\r\n"),
                  std::string::npos);

        // Another server in the settings is asked again.
        UpdateSettings([&](SettingsRecord& live) {
            CopyToField(live.server_name, std::string("other-") + code);
        });
    }
    Answer({""});
    semaphore_->Advance(kHour);
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(++waits));
    EXPECT_EQ(Requests(), expected_requests + 1);
    EXPECT_EQ(CopyLastUpdateRecord().valid, 1);
}

TEST_F(KissSchedulerTest, RefusedClockEndsTheRoundWithOneReport) {
    struct Case {
        int code;
        int requests;
    };
    // 87, an impossible time, is the server's answer too: only silence is
    // asked again.
    for (Case c : {Case{kErrorPrivilegeNotHeld, 1}, Case{5, 1}, Case{kErrorInvalidParameter, 1}}) {
        SCOPED_TRACE(c.code);
        ResetErrorWindowForTest();
        const int before = Requests();
        clock_.FailSettersWith(c.code);
        EXPECT_EQ(UpdateWithRetries(), 0);
        EXPECT_EQ(Requests() - before, c.requests);
        const std::string text = ErrorWindowText();
        std::size_t reports = 0;
        for (std::size_t at = 0; (at = text.find("\r\nError code", at)) != std::string::npos; ++at)
            ++reports;
        EXPECT_EQ(reports, static_cast<std::size_t>(c.requests));
    }
}

// --- the connection decision ---

TEST_F(SchedulerTest, WithoutDialupOrWithAConnectionTheUpdateGoesAhead) {
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 0; });
    EXPECT_EQ(ConnectionDecision(), kRoundGoAhead);
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.force_dial = 1; });
    dialup_.SetConnectionState(kConnectionStateConnected);
    EXPECT_EQ(ConnectionDecision(), kRoundGoAhead);
    EXPECT_EQ(dialup_.count("DialConfiguredEntry"), 0);

    // A user's connection: the update runs and nothing is hung up.
    EXPECT_EQ(UpdateRound(false), 1);
    EXPECT_EQ(runs_.load(), 1);
    EXPECT_EQ(dialup_.count("HangUpOwnConnection"), 0);
}

TEST_F(SchedulerTest, NoConnectionAndNoForcedDialIsReportedOnlyToAManualRequest) {
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.force_dial = 0; });
    UpdateSettings([&](SettingsRecord& live) { live.write_to_event_log = 1; });
    EXPECT_EQ(ConnectionDecision(), kRoundNotConnected);

    EXPECT_EQ(UpdateRound(false), 0);
    EXPECT_EQ(ErrorWindowText(), "");
    EXPECT_EQ(UpdateRound(true), 0);
    EXPECT_NE(ErrorWindowText().find(": Unable to synchronise.  No internet connection detected."),
              std::string::npos);
    EXPECT_EQ(runs_.load(), 0);
    const std::string text =
        "Unable to synchronise from external SNTP server.  No internet connection detected.";
    EXPECT_EQ(EventLogTexts(), (std::vector<std::string>{text, text}));
    EXPECT_EQ(event_log_.entries()[0].type, EventType::kError);
}

TEST_F(SchedulerTest, StartedDialEndsTheRoundAndKeepsTheManualRequest) {
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.force_dial = 1; });
    dialup_.SetDialResult(1);
    EXPECT_EQ(ConnectionDecision(), kRoundDialStarted);
    EXPECT_EQ(UpdateRound(true), 1);
    EXPECT_EQ(ManualUpdateFlag(), 1);
    EXPECT_EQ(runs_.load(), 0);
    EXPECT_EQ(ErrorWindowText(), "");
}

TEST_F(SchedulerTest, DialThatCannotStartIsShownAndWrittenToTheEventLog) {
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.force_dial = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.write_to_event_log = 1; });
    dialup_.SetDialResult(0);
    dialup_.SetErrorText("The port is already in use.");

    EXPECT_EQ(UpdateRound(false), 0);
    const std::string text = "Unable to dial \"Work\".  The port is already in use.";
    EXPECT_NE(ErrorWindowText().find(": " + text + "\r\n"), std::string::npos);
    EXPECT_EQ(EventLogTexts(), std::vector<std::string>{text});
    EXPECT_EQ(runs_.load(), 0);
}

TEST_F(SchedulerTest, FailedAutomaticRoundGoesToTheEventLog) {
    result_ = UpdateOutcome::kFailed;
    UpdateSettings([&](SettingsRecord& live) { live.write_to_event_log = 1; });
    EXPECT_EQ(UpdateRound(false), 0);
    EXPECT_EQ(runs_.load(), 3);
    EXPECT_EQ(EventLogTexts(),
              std::vector<std::string>{"Unable to synchronise from external time source."});
}

TEST_F(SchedulerTest, ManualRoundRunsTheUpdateOnce) {
    result_ = UpdateOutcome::kFailed;
    EXPECT_EQ(UpdateRound(true), 0);
    EXPECT_EQ(runs_.load(), 1);
}

// --- dial-up events ---

TEST_F(SchedulerTest, OwnConnectionRunsTheUpdateWithRetriesThenHangsUp) {
    Logging(1, 1);
    result_ = UpdateOutcome::kFailed;
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.force_dial = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.write_to_event_log = 1; });
    dialup_.SetDialResult(1);
    ASSERT_EQ(UpdateRound(false), 1);

    dialup_.Raise(kDialEventConnectedByOrvane);
    EXPECT_EQ(runs_.load(), 3);
    EXPECT_EQ(dialup_.count("HangUpOwnConnection"), 1);
    EXPECT_EQ(LogEntries(), (std::vector<std::string>{
                                "Dialup connection to \"Work\" connected by Orvane.",
                                "Automatic external synchronisation failed, trying again.",
                                "Automatic external synchronisation failed, trying again.",
                                "Automatic external synchronisation failed 3 times, giving up.",
                                "Dialup connection to \"Work\" disconnected by Orvane."}));
    EXPECT_EQ(
        EventLogTexts(),
        std::vector<std::string>{"Unable to automatically synchronise from external time source."});
    EXPECT_EQ(LinkState(), 1);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text, "Link inactive since 21/02/2003 10:20:30");
    // One refresh per event: the hang-up's, then the connection's own.
    ASSERT_EQ(ui_.refreshes().size(), 2u);
    EXPECT_STREQ(ui_.refreshes()[1].link_text, "Link inactive since 21/02/2003 10:20:30");
}

TEST_F(SchedulerTest, OwnConnectionForAManualRequestRunsTheUpdateOnce) {
    result_ = UpdateOutcome::kFailed;
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.force_dial = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.write_to_event_log = 1; });
    dialup_.SetDialResult(1);
    ASSERT_EQ(UpdateRound(true), 1);

    dialup_.Raise(kDialEventConnectedByOrvane);
    EXPECT_EQ(runs_.load(), 1);
    EXPECT_EQ(manual_at_run_, std::vector<int>{1});
    EXPECT_EQ(dialup_.count("HangUpOwnConnection"), 1);
    EXPECT_TRUE(EventLogTexts().empty());
}

TEST_F(SchedulerTest, UserConnectionWakesTheUpdateThread) {
    Logging(1, 2);
    UpdateSettings([&](SettingsRecord& live) { live.enable_updates = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    SetLinkState(2);
    StartUpdateThread();
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(1));
    EXPECT_EQ(runs_.load(), 0);  // not connected, no dialling allowed

    dialup_.SetConnectionState(kConnectionStateConnected);
    dialup_.Raise(kDialEventConnectedByUser);
    ASSERT_TRUE(semaphore_->WaitForWaitNumber(2));
    EXPECT_EQ(runs_.load(), 1);
    EXPECT_EQ(semaphore_->now(), 0);
    EXPECT_EQ(LinkState(), 0);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text, "Link active since 21/02/2003 10:20:30");
    EXPECT_EQ(LogEntries(),
              std::vector<std::string>{"Dialup connection to \"Work\" connected by user."});
}

TEST_F(SchedulerTest, UserDisconnectionMarksTheLinkInactive) {
    Logging(1, 2);
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    clock_.SetLocal(SystemTime{2003, 2, 5, 21, 11, 0, 5, 0});
    dialup_.Raise(kDialEventDisconnectedByUser);
    EXPECT_EQ(LinkState(), 1);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text, "Link inactive since 21/02/2003 11:00:05");
    EXPECT_EQ(LogEntries(),
              std::vector<std::string>{"Dialup connection to \"Work\" disconnected by user."});
}

TEST_F(SchedulerTest, FailedDialIsShownAndLeavesTheLinkAlone) {
    Logging(1, 2);
    UpdateSettings([&](SettingsRecord& live) { live.use_dialup = 1; });
    SetLinkState(2);
    SetLinkChangeTimeNow();
    dialup_.SetErrorText("The remote computer did not respond.");
    clock_.SetLocal(SystemTime{2003, 2, 5, 21, 12, 0, 0, 0});

    dialup_.Raise(kDialEventDialFailed);
    EXPECT_NE(ErrorWindowText().find(": Unable to dial \"Work\" to synchronise from SNTP server.  "
                                     "The remote computer did not respond.\r\n"),
              std::string::npos);
    EXPECT_EQ(LinkState(), 2);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text,
                 "Link inactive since program startup (21/02/2003 10:20:30)");
    EXPECT_EQ(ui_.refreshes().size(), 1u);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(SchedulerTest, ConnectionLinesAreNotLoggedAtMinimum) {
    Logging(1, 0);
    dialup_.Raise(kDialEventConnectedByUser);
    dialup_.Raise(kDialEventDisconnectedByUser);
    EXPECT_TRUE(LogEntries().empty());
}

TEST_F(SchedulerTest, UnknownEventOnlyRefreshesTheLinkText) {
    Logging(1, 2);
    DialupEventHandler(22504);
    EXPECT_EQ(ui_.refreshes().size(), 1u);
    EXPECT_STREQ(CopyLastUpdateRecord().link_text,
                 "Link active since 21/02/2003 10:20:30 (permanent connection)");
    EXPECT_TRUE(LogEntries().empty());
    EXPECT_EQ(ErrorWindowText(), "");
}

}  // namespace
}  // namespace orvane
