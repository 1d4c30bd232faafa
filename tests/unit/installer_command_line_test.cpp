#include "setup/command_line.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

using Arguments = std::vector<std::string>;

TEST(InstallerCommandLineTest, SplitsAndUnquotesAsTheRuntimeDoes) {
    const struct {
        const char* line;
        Arguments arguments;
    } cases[] = {
        {"Setup.exe", {}},
        {"\"C:\\Setup Files\\Setup.exe\" /quiet", {"/quiet"}},
        {"C:\\x\\Setup.exe  /dir \"C:\\Program Files\\Orvane\"\t/log C:\\l.txt",
         {"/dir", "C:\\Program Files\\Orvane", "/log", "C:\\l.txt"}},
        {"s /dir \"C:\\Program Files\\Orvane\\\\\"", {"/dir", "C:\\Program Files\\Orvane\\"}},
        {"s a\\\\\\\"b c\\\\\"d e\"", {"a\\\"b", "c\\d e"}},
        {"s \"\" /quiet", {"", "/quiet"}},
        // UTF-8 from the wide command line passes byte for byte.
        {"s /dir \"C:\\Program Files\\Orvane Ωμέγα\" /log C:\\Ștefan\\s.log",
         {"/dir", "C:\\Program Files\\Orvane Ωμέγα", "/log", "C:\\Ștefan\\s.log"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CommandLineArguments(c.line), c.arguments) << c.line;
}

TEST(InstallerCommandLineTest, SwitchesOfEachProgram) {
    const auto setup = InstallerProgram::kSetup;
    const auto uninstall = InstallerProgram::kUninstall;
    const struct {
        InstallerProgram program;
        Arguments arguments;
        bool quiet;
        const char* folder;
        bool group;
        bool startup;
        const char* log;
        const char* refusal;
    } cases[] = {
        {setup, {}, false, "", true, true, "", ""},
        {setup, {"/quiet"}, true, "", true, true, "", ""},
        {setup, {"-QUIET", "/NoStartup", "/nogroup"}, true, "", false, false, "", ""},
        {setup,
         {"/quiet", "/dir", "C:\\Apps\\Orvane", "/log", "C:\\s.log"},
         true,
         "C:\\Apps\\Orvane",
         true,
         true,
         "C:\\s.log",
         ""},
        {setup,
         {"/quiet", "/silent", "/log", "C:\\s.log"},
         true,
         "",
         true,
         true,
         "C:\\s.log",
         "Unknown switch: /silent"},
        {setup, {"/quiet", "C:\\Apps"}, true, "", true, true, "", "Unknown argument: C:\\Apps"},
        {setup, {"/quiet", "/dir"}, true, "", true, true, "", "The switch /dir needs a value."},
        {setup,
         {"/dir", "C:\\Apps\" /quiet"},
         false,
         "",
         true,
         true,
         "",
         "Unknown argument: C:\\Apps\" /quiet"},
        {uninstall, {"/quiet", "/log", "C:\\u.log"}, true, "", true, true, "C:\\u.log", ""},
        {uninstall,
         {"/quiet", "/nostartup"},
         true,
         "",
         true,
         true,
         "",
         "Unknown switch: /nostartup"},
        {uninstall, {"/dir", "C:\\Apps"}, false, "", true, true, "", "Unknown switch: /dir"},
    };
    for (const auto& c : cases) {
        const InstallerOptions options = ParseInstallerOptions(c.arguments, c.program);
        const std::string line = ::testing::PrintToString(c.arguments);
        EXPECT_EQ(options.quiet, c.quiet) << line;
        EXPECT_EQ(options.folder, c.folder) << line;
        EXPECT_EQ(options.program_group, c.group) << line;
        EXPECT_EQ(options.start_at_logon, c.startup) << line;
        EXPECT_EQ(options.log_path, c.log) << line;
        EXPECT_EQ(options.refusal, c.refusal) << line;
    }
}

TEST(InstallerCommandLineTest, ExitCodesAsDeploymentToolsReadThem) {
    const struct {
        InstallerOutcome outcome;
        int code;
    } cases[] = {
        {InstallerOutcome::kSucceeded, 0},         {InstallerOutcome::kRestartNeeded, 3010},
        {InstallerOutcome::kCancelled, 1602},      {InstallerOutcome::kFailed, 1603},
        {InstallerOutcome::kAlreadyRunning, 1618}, {InstallerOutcome::kNotAdministrator, 5},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExitCodeFor(c.outcome), c.code);
}

TEST(InstallerCommandLineTest, RestartNeededOnlyForItemsBesidesUninstallAndItsFolder) {
    const std::string folder = "C:\\Program Files\\Pellmoor\\Orvane";
    const struct {
        Arguments scheduled;
        bool needed;
    } cases[] = {
        {{}, false},
        {{folder + "\\Uninstall.exe", folder}, false},
        {{"c:\\program files\\pellmoor\\orvane\\UNINSTALL.EXE"}, false},
        {{folder + "\\Uninstall.exe", folder + "\\OrvaneService.exe", folder}, true},
        {{"C:\\ProgramData\\Start Menu\\Programs\\Orvane"}, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RestartNeededAfterUninstall(c.scheduled, folder), c.needed);
}

TEST(InstallerCommandLineTest, LogLineIsStampedAndOneLine) {
    SystemTime time;
    time.wYear = 2026;
    time.wMonth = 3;
    time.wDay = 7;
    time.wHour = 9;
    time.wMinute = 5;
    time.wSecond = 4;
    EXPECT_EQ(InstallerLogLine(time, "Orvane Setup Error: Unable to copy.\r\nAccess denied.\n"),
              "2026-03-07 09:05:04 Orvane Setup Error: Unable to copy. Access denied. \r\n");
}

TEST(InstallerCommandLineTest, QuietReportShowsNoBoxAndAFailureFailsTheRun) {
    for (bool quiet : {false, true}) {
        InstallerOptions options;
        options.quiet = quiet;
        int shown = 0;
        InstallerReport report;
        report.Start(options, [&shown](const std::string&, const std::string&, unsigned) {
            ++shown;
            return 7;
        });
        EXPECT_EQ(report.Box("Sure?", "Orvane", 0, 6), quiet ? 6 : 7);
        EXPECT_FALSE(report.Failed());
        report.Failure("Unable to create start menu shortcut.", "Orvane Setup Error", 0);
        EXPECT_TRUE(report.Failed());
        EXPECT_EQ(shown, quiet ? 0 : 2);
    }
}

}  // namespace
}  // namespace orvane
