#include "logging/log_cleanup.h"

#include <gtest/gtest.h>
#include <sys/time.h>

#include <chrono>
#include <set>
#include <thread>

#include "logging/log_writer.h"
#include "support/log_fixture.h"
#include "settings/live_settings.h"

namespace orvane {
namespace {

// Deletes fail for the chosen names, as for a file another program holds
// open; everything else goes to the real folder.
class StuckFiles : public FileSystem {
  public:
    StuckFiles(FileSystem& real, std::set<std::string> stuck, int code)
        : real_(real), stuck_(std::move(stuck)), code_(code) {}
    int MakeDirectory(const std::string& p) override { return real_.MakeDirectory(p); }
    bool FolderExists(const std::string& p) override { return real_.FolderExists(p); }
    bool AppendToFile(const std::string& p, const std::string& b) override {
        return real_.AppendToFile(p, b);
    }
    std::vector<FileEntry> ListFiles(const std::string& p) override { return real_.ListFiles(p); }
    int RemoveFile(const std::string& p) override {
        for (const std::string& name : stuck_) {
            if (p.size() >= name.size() &&
                p.compare(p.size() - name.size(), name.size(), name) == 0)
                return code_;
        }
        return real_.RemoveFile(p);
    }

  private:
    FileSystem& real_;
    std::set<std::string> stuck_;
    int code_;
};

class LogCleanupTest : public LogFolderTest {
  protected:
    void SetUp() override {
        LogFolderTest::SetUp();
        folder_ = root_ + "/logs";
        std::filesystem::create_directories(folder_);
        today_log_ = folder_ + "/20240315.log";
        UpdateSettings([&](SettingsRecord& s) {
            s.delete_old_logfiles = 0;
            s.cap_logfile_folder_size = 0;
            s.maximum_logfile_age = 30;
            s.maximum_logfile_space = 1;
        });
    }

    // A file whose creation (here: modification) time lies the given number
    // of days before today's local date, at noon UTC.
    void MakeFile(const std::string& name, std::size_t size, int days_ago) {
        const std::string path = folder_ + "/" + name;
        std::ofstream(path, std::ios::binary) << std::string(size, 'L');
        // 2024-03-15 is day 19797 since 1970.
        const std::int64_t seconds = (19797LL - days_ago) * 86400 + 12 * 3600;
        timeval times[2] = {{seconds, 0}, {seconds, 0}};
        ASSERT_EQ(utimes(path.c_str(), times), 0);
    }

    bool Has(const std::string& name) { return Exists(folder_ + "/" + name); }
    std::string TodayLog() { return ReadFile(today_log_); }
    std::string Logged(const std::string& name) { return folder_ + "\\" + name; }

    std::string folder_;
    std::string today_log_;
};

TEST(DailyLogNameTest, EightDigitsAndTwelveCharacters) {
    EXPECT_TRUE(IsDailyLogName("20240315.log"));
    EXPECT_TRUE(IsDailyLogName("20240315.LOG"));
    EXPECT_TRUE(IsDailyLogName(std::string("20240315.log")));
    EXPECT_FALSE(IsDailyLogName("2024031.log"));
    EXPECT_FALSE(IsDailyLogName("2024031x.log"));
    EXPECT_FALSE(IsDailyLogName("20240315.logs"));
    EXPECT_FALSE(IsDailyLogName("notes.log"));
    EXPECT_FALSE(IsDailyLogName(""));
    EXPECT_FALSE(IsDailyLogName(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(
        IsDailyLogName(std::string("2024\0"
                                   "315.log",
                                   12)));
}

TEST_F(LogCleanupTest, AgeRuleDeletesFilesMoreThanTheLimitOld) {
    UpdateSettings([&](SettingsRecord& live) { live.delete_old_logfiles = 1; });
    MakeFile("20240213.log", 10, 31);
    MakeFile("20240214.log", 10, 30);
    MakeFile("20240315.log", 10, 0);
    RunLogAgePass();

    EXPECT_FALSE(Has("20240213.log"));
    EXPECT_TRUE(Has("20240214.log"));
    const std::string log = TodayLog();
    EXPECT_NE(log.find("Old logfile \"" + Logged("20240213.log") + "\" deleted."),
              std::string::npos);
    EXPECT_EQ(log.find("20240214"), std::string::npos);
}

TEST_F(LogCleanupTest, AgeRuleTouchesOnlyDailyNamesButAnyCaseOfExtension) {
    UpdateSettings([&](SettingsRecord& live) { live.delete_old_logfiles = 1; });
    MakeFile("notes.log", 10, 400);
    MakeFile("2024021.log", 10, 400);
    MakeFile("2024021x.log", 10, 400);
    MakeFile("20230101.txt", 10, 400);
    MakeFile("20230102.LOG", 10, 400);
    std::filesystem::create_directory(folder_ + "/20230103.log");
    RunLogAgePass();

    EXPECT_TRUE(Has("notes.log"));
    EXPECT_TRUE(Has("2024021.log"));
    EXPECT_TRUE(Has("2024021x.log"));
    EXPECT_TRUE(Has("20230101.txt"));
    EXPECT_TRUE(Has("20230103.log"));
    EXPECT_FALSE(Has("20230102.LOG"));
}

TEST_F(LogCleanupTest, AgeRuleLogsAFailedDeleteAndKeepsTheFile) {
    UpdateSettings([&](SettingsRecord& live) { live.delete_old_logfiles = 1; });
    MakeFile("20240101.log", 10, 74);
    StuckFiles stuck(file_system_, {"20240101.log"}, 32);
    UseFileSystem(&stuck);
    RunLogAgePass();
    EXPECT_TRUE(Has("20240101.log"));
    EXPECT_NE(TodayLog().find("Unable to delete old logfile \"" + Logged("20240101.log") +
                              "\".  Windows error code 32."),
              std::string::npos);
}

TEST_F(LogCleanupTest, SizeRuleDeletesOldestFirstUntilUnderTheCap) {
    UpdateSettings([&](SettingsRecord& live) { live.cap_logfile_folder_size = 1; });
    // Made newest first, so the listing order is no help.
    MakeFile("20240313.log", 400000, 2);
    MakeFile("20240312.log", 400000, 3);
    MakeFile("20240311.log", 400000, 4);
    MakeFile("20240310.log", 400000, 5);
    RunLogSizePass();

    EXPECT_FALSE(Has("20240310.log"));
    EXPECT_FALSE(Has("20240311.log"));
    EXPECT_TRUE(Has("20240312.log"));
    EXPECT_TRUE(Has("20240313.log"));
    const std::string log = TodayLog();
    for (const char* name : {"20240310.log", "20240311.log"}) {
        EXPECT_NE(log.find("Logfile \"" + Logged(name) +
                           "\" deleted to keep maximum logfiles' size under 1 megabytes."),
                  std::string::npos);
    }
}

TEST_F(LogCleanupTest, SizeRuleCountsUpperCaseExtensionsAndIgnoresOtherNames) {
    UpdateSettings([&](SettingsRecord& live) { live.cap_logfile_folder_size = 1; });
    MakeFile("notes.log", 5000000, 9);
    MakeFile("20240309.LOG", 400000, 6);
    MakeFile("20240310.log", 400000, 5);
    MakeFile("20240311.log", 400000, 4);
    RunLogSizePass();
    EXPECT_TRUE(Has("notes.log"));
    EXPECT_FALSE(Has("20240309.LOG"));
    EXPECT_TRUE(Has("20240310.log"));
    EXPECT_TRUE(Has("20240311.log"));
}

TEST_F(LogCleanupTest, SizeRuleNeverDeletesTodaysFile) {
    UpdateSettings([&](SettingsRecord& live) { live.cap_logfile_folder_size = 1; });
    MakeFile("20240315.LOG", 1200000, 0);
    MakeFile("20240301.log", 100, 14);
    MakeFile("20240314.log", 100, 1);
    RunLogSizePass();
    EXPECT_TRUE(Has("20240315.LOG"));
    EXPECT_FALSE(Has("20240301.log"));
    EXPECT_FALSE(Has("20240314.log"));
}

TEST_F(LogCleanupTest, SizeRuleReportsAStuckFileAndStillCountsItGone) {
    UpdateSettings([&](SettingsRecord& live) { live.cap_logfile_folder_size = 1; });
    MakeFile("20240310.log", 400000, 5);
    MakeFile("20240311.log", 400000, 4);
    MakeFile("20240312.log", 400000, 3);
    MakeFile("20240313.log", 400000, 2);
    StuckFiles stuck(file_system_, {"20240310.log"}, 32);
    UseFileSystem(&stuck);
    RunLogSizePass();

    EXPECT_TRUE(Has("20240310.log"));
    EXPECT_FALSE(Has("20240311.log"));
    EXPECT_TRUE(Has("20240312.log"));
    const std::string log = TodayLog();
    EXPECT_NE(log.find("Unable to delete logfile \"" + Logged("20240310.log") +
                       "\".  Windows error code 32."),
              std::string::npos);
    EXPECT_EQ(log.find("Logfile \"" + Logged("20240310.log") + "\" deleted"), std::string::npos);
}

TEST_F(LogCleanupTest, UnderTheCapNothingHappens) {
    UpdateSettings([&](SettingsRecord& live) { live.cap_logfile_folder_size = 1; });
    MakeFile("20240310.log", 500000, 5);
    MakeFile("20240311.log", 500000, 4);
    RunLogSizePass();
    EXPECT_TRUE(Has("20240310.log"));
    EXPECT_TRUE(Has("20240311.log"));
    EXPECT_FALSE(Exists(today_log_));
}

TEST_F(LogCleanupTest, WithLoggingOffOrAtMinimumFilesGoButNothingIsLogged) {
    UpdateSettings([&](SettingsRecord& live) { live.delete_old_logfiles = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.cap_logfile_folder_size = 1; });
    for (int round = 0; round < 2; ++round) {
        if (round == 0)
            UpdateSettings([&](SettingsRecord& live) { live.enable_logging = 0; });
        if (round == 1) {
            UpdateSettings([&](SettingsRecord& live) { live.enable_logging = 1; });
            UpdateSettings([&](SettingsRecord& live) { live.logging_level = 0; });
        }
        MakeFile("20200101.log", 10, 1500);
        MakeFile("20240310.log", 700000, 5);
        MakeFile("20240311.log", 700000, 4);
        RunLogAgePass();
        RunLogSizePass();
        EXPECT_FALSE(Has("20200101.log"));
        EXPECT_FALSE(Has("20240310.log"));
        EXPECT_TRUE(Has("20240311.log"));
        EXPECT_FALSE(Exists(today_log_));
        std::filesystem::remove(folder_ + "/20240311.log");
    }
}

TEST_F(LogCleanupTest, BothRulesOffOrNoFolderDoNothing) {
    MakeFile("20200101.log", 3000000, 1500);
    RunLogAgePass();
    RunLogSizePass();
    EXPECT_TRUE(Has("20200101.log"));

    UpdateSettings([&](SettingsRecord& live) { live.delete_old_logfiles = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.cap_logfile_folder_size = 1; });
    SetLogFolder(root_ + "/missing");
    RunLogAgePass();
    RunLogSizePass();
    EXPECT_FALSE(Exists(root_ + "/missing"));
}

TEST_F(LogCleanupTest, ThreadPassesAtOnceAndEndsPromptlyWhenStopped) {
    UpdateSettings([&](SettingsRecord& live) { live.delete_old_logfiles = 1; });
    MakeFile("20200101.log", 10, 1500);
    const unsigned passes = LogCleanupPassCount();
    StartLogCleanup();
    for (int i = 0; i < 250 && Has("20200101.log"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(Has("20200101.log"));

    const auto asked = std::chrono::steady_clock::now();
    StopLogCleanup();
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(100));
    // Woken from its minute's sleep, not timed out.
    ASSERT_TRUE(WaitForLogCleanupEnd(2000));
    EXPECT_EQ(LogCleanupPassCount(), passes + 1);
}

}  // namespace
}  // namespace orvane
