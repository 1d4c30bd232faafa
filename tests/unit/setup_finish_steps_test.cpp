#include "setup/finish_steps.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/fake_os_version.h"
#include "support/fake_service_control.h"

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

TEST(SetupHandOverTest, StopsWindowsTimeAndSetsItToStartOnDemand) {
    FakeServiceControl services;
    FakeService& time = services.AddService("W32Time");
    time.state = kServiceRunning;
    time.start_type = kServiceAutoStart;
    FakeOsVersion os;
    os.info.platform_id = kPlatformWin32Nt;
    os.info.major = 10;
    os.info.minor = 0;
    UseServiceControl(&services);
    UseOsVersion(&os);
    HandOverWindowsTime();
    EXPECT_EQ(time.state, kServiceStopped);
    EXPECT_EQ(time.start_type, kServiceDemandStart);
    EXPECT_EQ(services.open_handles(), 0);
    UseOsVersion(nullptr);
    UseServiceControl(nullptr);
}

}  // namespace
}  // namespace orvane
