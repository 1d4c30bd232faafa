#include "setup/finish_steps.h"

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service/time_service_messages.h"
#include "support/fake_os_version.h"
#include "support/fake_registry.h"
#include "support/fake_service_control.h"
#include "support/fake_time_service_pipe.h"

namespace orvane {
namespace {

using Lines = std::vector<std::string>;

// The desktop shell as Setup sees it; every request is noted.
class FakeShellStarter : public ShellStarter {
  public:
    bool available = true;
    bool starts = true;
    Lines calls;

    bool ShellAvailable() override {
        calls.push_back("available?");
        return available;
    }
    bool StartThroughShell(const std::string& program, const std::string& folder) override {
        calls.push_back("start " + program + " in " + folder);
        return starts;
    }
};

class SetupFinishStepsTest : public ::testing::Test {
  protected:
    void SetUp() override { UseShellStarter(&shell_); }
    void TearDown() override { UseShellStarter(nullptr); }

    FakeShellStarter shell_;
};

struct StartCase {
    const char* name;
    bool start_program;
    bool available;
    bool starts;
    ProgramStart outcome;
    Lines calls;
};

class SetupProgramStartTest : public SetupFinishStepsTest,
                              public ::testing::WithParamInterface<StartCase> {};

// The program is started by the shell or not at all: there is no other way
// out of Setup, so it never runs with Setup's administrator token.
TEST_P(SetupProgramStartTest, GoesThroughTheShellOnly) {
    const StartCase& c = GetParam();
    shell_.available = c.available;
    shell_.starts = c.starts;
    EXPECT_EQ(StartInstalledProgram("D:\\Tools\\Orvane", c.start_program), c.outcome);
    EXPECT_EQ(shell_.calls, c.calls);
}

const std::string kStart = "start D:\\Tools\\Orvane\\Orvane.exe in D:\\Tools\\Orvane";

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupProgramStartTest,
    ::testing::Values(
        StartCase{"NotAsked", false, true, true, ProgramStart::kNotAsked, {}},
        StartCase{
            "StartedByTheShell", true, true, true, ProgramStart::kStarted, {"available?", kStart}},
        StartCase{"NoShellNoStart", true, false, true, ProgramStart::kNoShell, {"available?"}},
        StartCase{
            "ShellRefused", true, true, false, ProgramStart::kFailed, {"available?", kStart}}),
    [](const ::testing::TestParamInfo<StartCase>& info) { return info.param.name; });

TEST(SetupDonePageTest, SaysWhenTheProgramStartsOnlyAtTheNextLogOn) {
    const std::string done = "Orvane setup completed successfully.";
    EXPECT_EQ(DonePageText(false, false), done);
    EXPECT_EQ(DonePageText(false, true), done);
    EXPECT_EQ(DonePageText(true, true), done);
    EXPECT_EQ(DonePageText(true, false), done + "\n\nOrvane starts at your next log-on.");
}

// A Status answer as the service sends it.
std::vector<std::uint8_t> StatusAnswerBytes(bool holds_privilege) {
    Answer answer;
    answer.type = kAnswerStatus;
    answer.status.version_text = "Orvane Time Service 1.72";
    answer.status.holds_privilege = holds_privilege;
    return EncodeAnswer(answer);
}

// What the installation makes of the Orvane Time Service, and whether
// Finish then hands Windows Time over. Windows Time starts running
// automatically, or stopped on demand as an earlier installation left it.
struct TimeServiceCase {
    const char* name;
    int major;
    int minor;
    bool handed_over_before;
    void (*arrange)(FakeServiceControl& services);
    TimeServiceSetup state;
    const char* failure_text;  // the box's first sentence; null: no box
    bool orvane_service_runs;
    bool windows_time_runs;  // after Finish
    std::uint32_t windows_time_start;
};

// The service manager, Windows 10 unless a test says otherwise, and a
// service whose Status answer says it holds the privilege.
class TimeServiceFixture : public ::testing::Test {
  protected:
    void SetUp() override {
        UseServiceControl(&services_);
        UseRegistry(&registry_);  // where the hand-over keeps its record
        os_.info.platform_id = kPlatformWin32Nt;
        os_.info.major = 10;
        UseOsVersion(&os_);
        pipe_.answer = StatusAnswerBytes(true);
        UseTimeServicePipe(&pipe_);
    }
    void TearDown() override {
        UseTimeServicePipe(nullptr);
        UseOsVersion(nullptr);
        UseRegistry(nullptr);
        UseServiceControl(nullptr);
    }

    FakeServiceControl services_;
    FakeRegistry registry_;
    FakeOsVersion os_;
    FakeTimeServicePipe pipe_;
};

class SetupTimeServiceTest : public TimeServiceFixture,
                             public ::testing::WithParamInterface<TimeServiceCase> {};

TEST_P(SetupTimeServiceTest, HandsWindowsTimeOverOnlyToARunningService) {
    const TimeServiceCase& c = GetParam();
    os_.info.platform_id = kPlatformWin32Nt;
    os_.info.major = c.major;
    os_.info.minor = c.minor;
    FakeService& time = services_.AddService("W32Time");
    time.state = c.handed_over_before ? kServiceStopped : kServiceRunning;
    time.start_type = c.handed_over_before ? kServiceDemandStart : kServiceAutoStart;
    c.arrange(services_);

    const TimeServiceSetupResult outcome = SetUpTimeService("D:\\Tools\\Orvane");
    EXPECT_EQ(outcome.state, c.state);
    if (c.failure_text != nullptr) {
        const std::string text = TimeServiceFailureText(outcome.result, outcome.error);
        EXPECT_EQ(text.substr(0, text.find("\n")), c.failure_text);
    }
    EXPECT_EQ(HandOverWindowsTime(outcome.state),
              c.state != TimeServiceSetup::kFailed && !(c.major == 5 && c.minor == 0));
    const FakeService* orvane = services_.Find("OrvaneTime");
    EXPECT_EQ(orvane != nullptr && orvane->state == kServiceRunning, c.orvane_service_runs);
    if (c.state == TimeServiceSetup::kNotUsed) {
        EXPECT_EQ(orvane, nullptr);
    }
    EXPECT_EQ(time.state == kServiceRunning, c.windows_time_runs);
    EXPECT_EQ(time.start_type, c.windows_time_start);
    EXPECT_EQ(services_.open_handles(), 0);
}

void NothingMore(FakeServiceControl&) {}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupTimeServiceTest,
    ::testing::Values(
        TimeServiceCase{"Windows2000KeepsWindowsTime", 5, 0, false, NothingMore,
                        TimeServiceSetup::kNotUsed, nullptr, false, true, kServiceAutoStart},
        TimeServiceCase{"XpHasNoServiceAndHandsOver", 5, 1, false, NothingMore,
                        TimeServiceSetup::kNotUsed, nullptr, false, false, kServiceDemandStart},
        TimeServiceCase{"VistaInstallsAndHandsOver", 6, 0, false, NothingMore,
                        TimeServiceSetup::kRunning, nullptr, true, false, kServiceDemandStart},
        TimeServiceCase{"AnEarlierServiceIsTakenOver", 10, 0, true,
                        [](FakeServiceControl& services) {
                            services.AddService("OrvaneTime").command_line = "C:\\Old\\x.exe";
                        },
                        TimeServiceSetup::kRunning, nullptr, true, false, kServiceDemandStart},
        // A manager without the setting: it can neither set nor report it.
        TimeServiceCase{"NoPrivilegeListStillCounts", 10, 0, false,
                        [](FakeServiceControl& services) {
                            services.FailRequiredPrivileges(87);
                            services.FailRequiredPrivilegesQuery(87);
                        },
                        TimeServiceSetup::kRunning, nullptr, true, false, kServiceDemandStart},
        TimeServiceCase{"NoManagerKeepsWindowsTime", 10, 0, false,
                        [](FakeServiceControl& services) { services.FailOpenManager(5); },
                        TimeServiceSetup::kFailed,
                        "Unable to open the service control manager.  Error code 5.", false, true,
                        kServiceAutoStart},
        TimeServiceCase{"CreationFailedBringsWindowsTimeBack", 10, 0, true,
                        [](FakeServiceControl& services) { services.FailCreate(1072); },
                        TimeServiceSetup::kFailed,
                        "Unable to install the Orvane Time Service.  Error code 1072.", false, true,
                        kServiceAutoStart},
        TimeServiceCase{"ConfigurationFailedKeepsWindowsTime", 6, 1, false,
                        [](FakeServiceControl& services) { services.FailRequiredPrivileges(5); },
                        TimeServiceSetup::kFailed,
                        "Unable to configure the Orvane Time Service.  Error code 5.", false, true,
                        kServiceAutoStart}),
    [](const ::testing::TestParamInfo<TimeServiceCase>& info) { return info.param.name; });

// Windows Time goes over only once the started service's own process has
// said in a Status answer that it holds the right to set the clock. The
// service may open its pipe a moment after it started: without an answer
// it is asked again every 250 ms for 10 s.
struct ConfirmationCase {
    const char* name;
    void (*arrange)(FakeTimeServicePipe& pipe);
    bool confirmed;
    int error;  // the box's error code when not confirmed
    std::size_t requests;
    int paused_milliseconds;
};

class SetupServiceConfirmationTest : public TimeServiceFixture,
                                     public ::testing::WithParamInterface<ConfirmationCase> {};

TEST_P(SetupServiceConfirmationTest, HandsWindowsTimeOverOnlyWhenTheServiceSaysItMaySetTheClock) {
    const ConfirmationCase& c = GetParam();
    FakeService& time = services_.AddService("W32Time");
    c.arrange(pipe_);

    const TimeServiceSetupResult outcome = SetUpTimeService("D:\\Tools\\Orvane");
    EXPECT_EQ(outcome.state, c.confirmed ? TimeServiceSetup::kRunning : TimeServiceSetup::kFailed);
    Request status;
    status.type = kRequestStatus;
    EXPECT_EQ(pipe_.requests,
              std::vector<std::vector<std::uint8_t>>(c.requests, EncodeRequest(status)));
    EXPECT_EQ(services_.paused_milliseconds(), c.paused_milliseconds);
    EXPECT_EQ(HandOverWindowsTime(outcome.state), c.confirmed);
    EXPECT_EQ(time.state == kServiceRunning, !c.confirmed);
    EXPECT_EQ(time.start_type, c.confirmed ? kServiceDemandStart : kServiceAutoStart);
    if (!c.confirmed) {
        const std::string text = TimeServiceFailureText(outcome.result, outcome.error);
        EXPECT_EQ(text.substr(0, text.find("\n")),
                  "The Orvane Time Service did not confirm that it may set the clock.  Error "
                  "code " +
                      std::to_string(c.error) + ".");
    }
    // The service itself stays as it was started.
    EXPECT_EQ(services_.Find("OrvaneTime")->state, kServiceRunning);
    EXPECT_EQ(services_.open_handles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupServiceConfirmationTest,
    ::testing::Values(
        ConfirmationCase{"AnsweredWithThePrivilege", [](FakeTimeServicePipe&) {}, true, 0, 1, 0},
        ConfirmationCase{"AnsweredOnceItsPipeIsOpen",
                         [](FakeTimeServicePipe& pipe) {
                             pipe.error = kErrorPipeNotFound;
                             pipe.failing_exchanges = 3;
                         },
                         true, 0, 4, 750},
        ConfirmationCase{"AnsweredWithoutThePrivilege",
                         [](FakeTimeServicePipe& pipe) { pipe.answer = StatusAnswerBytes(false); },
                         false, 1314, 1, 0},
        ConfirmationCase{"AnsweredWithAnError",
                         [](FakeTimeServicePipe& pipe) {
                             Answer answer;
                             answer.type = kAnswerError;
                             answer.error_text = "Unknown request";
                             pipe.answer = EncodeAnswer(answer);
                         },
                         false, 13, 1, 0},
        ConfirmationCase{"NeverAnswered",
                         [](FakeTimeServicePipe& pipe) { pipe.error = kErrorPipeNotFound; }, false,
                         2, 41, 10000},
        ConfirmationCase{"BusyToTheEnd",
                         [](FakeTimeServicePipe& pipe) { pipe.error = kErrorPipeBusy; }, false, 231,
                         41, 10000},
        ConfirmationCase{"OnlyMalformedAnswers",
                         [](FakeTimeServicePipe& pipe) {
                             pipe.answer = {1, 2, 3};
                         },
                         false, 13, 41, 10000}),
    [](const ::testing::TestParamInfo<ConfirmationCase>& info) { return info.param.name; });

// A Setup that must end after it stopped the service for the copy, before
// the service is set up again, starts it again: only when it was running,
// and only once.
struct RestartCase {
    const char* name;
    int major;
    void (*arrange)(FakeServiceControl& services);
    bool set_up_before_end;
    bool restarted;
    bool runs_at_end;
};

class SetupServiceRestartTest : public TimeServiceFixture,
                                public ::testing::WithParamInterface<RestartCase> {};

TEST_P(SetupServiceRestartTest, StartsAgainOnlyWhatItStopped) {
    const RestartCase& c = GetParam();
    os_.info.major = c.major;
    c.arrange(services_);

    StopTimeServiceBeforeCopy();
    if (c.set_up_before_end)
        SetUpTimeService("D:\\Tools\\Orvane");
    EXPECT_EQ(RestartTimeServiceStoppedForCopy(), c.restarted);
    EXPECT_FALSE(RestartTimeServiceStoppedForCopy());
    const FakeService* orvane = services_.Find("OrvaneTime");
    EXPECT_EQ(orvane != nullptr && orvane->state == kServiceRunning, c.runs_at_end);
    EXPECT_EQ(services_.open_handles(), 0);
}

void RunningService(FakeServiceControl& services) {
    services.AddService("OrvaneTime").state = kServiceRunning;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SetupServiceRestartTest,
    ::testing::Values(
        RestartCase{"ARunningServiceRunsAgain", 10, RunningService, false, true, true},
        RestartCase{"OneStillStoppingRunsAgain", 10,
                    [](FakeServiceControl& services) {
                        services.AddService("OrvaneTime").states_after_stop = {kServiceStopPending};
                    },
                    false, true, true},
        RestartCase{"AStoppedServiceStaysStopped", 10,
                    [](FakeServiceControl& services) {
                        services.AddService("OrvaneTime").state = kServiceStopped;
                    },
                    false, false, false},
        RestartCase{"NoServiceNothingToStart", 10, NothingMore, false, false, false},
        RestartCase{"AStopRefusedLeavesItRunning", 10,
                    [](FakeServiceControl& services) {
                        RunningService(services);
                        services.FailStop(5);
                    },
                    false, false, true},
        RestartCase{"WindowsWithoutTheServiceLeavesItAlone", 5, RunningService, false, false, true},
        RestartCase{"OnceSetUpItIsTheSetUpsToStart", 10, RunningService, true, false, true}),
    [](const ::testing::TestParamInfo<RestartCase>& info) { return info.param.name; });

TEST(SetupTimeServiceTextTest, AStartThatFailedSaysSoAndWhatItMeans) {
    EXPECT_EQ(TimeServiceFailureText(4, 2),
              "Unable to start the Orvane Time Service.  Error code 2.\n\n"
              "Windows Time goes on keeping this PC's clock.  Run Setup again to install the "
              "service.");
}

}  // namespace
}  // namespace orvane
