#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "support/fake_os_version.h"
#include "settings/configuration_dump.h"
#include "settings/ipv4_text.h"

namespace orvane {
namespace {

// Files in memory; a path can be made to refuse removal.
class MemoryFiles : public FileSystem {
  public:
    int MakeDirectory(const std::string&) override { return 0; }
    bool FolderExists(const std::string&) override { return true; }
    bool AppendToFile(const std::string& path, const std::string& bytes) override {
        if (refuse_writes)
            return false;
        files[path] += bytes;
        return true;
    }
    std::vector<FileEntry> ListFiles(const std::string&) override { return {}; }
    int RemoveFile(const std::string& path) override {
        if (remove_error != 0)
            return remove_error;
        return files.erase(path) != 0 ? 0 : 2;
    }

    std::map<std::string, std::string> files;
    int remove_error = 0;
    bool refuse_writes = false;
};

class ConfigDumpTest : public ::testing::Test {
  protected:
    void SetUp() override {
        os.info = {kPlatformWin32Nt, 5, 1, 2600};
        UseOsVersion(&os);
    }
    void TearDown() override { UseOsVersion(nullptr); }

    FakeOsVersion os;
};

SettingsRecord FirstRecord() {
    SettingsRecord s;
    s.show_date = 1;
    s.always_on_top = 0;
    s.hide_taskbar_button = 1;
    s.hide_in_tray = 0;
    s.use_dialup = 1;
    s.force_dial = 1;
    s.use_server_by_name = 1;
    s.enable_updates = 1;
    s.receive_sntp_broadcasts = 0;
    s.enable_logging = 1;
    s.write_to_event_log = 0;
    s.delete_old_logfiles = 1;
    s.cap_logfile_folder_size = 0;
    s.launch_program_at_startup = 2;  // not 1: false
    s.window_position_x = -12;
    s.window_position_y = 40;
    s.window_size_x = 300;
    s.window_size_y = 120;
    s.update_interval = 60;
    s.maximum_logfile_space = 10;
    s.maximum_logfile_age = 7;
    s.logging_level = 2;
    s.protocol = 1;
    std::strcpy(s.time_font_name, "Arial");
    std::strcpy(s.date_font_name, "Times 100%");
    std::strcpy(s.dialup_server_name, "Work");
    std::strcpy(s.dialup_server_username, "alice");
    std::strcpy(s.dialup_server_password, "TopSecret!");
    std::strcpy(s.server_name, "%s%n.example");
    std::strcpy(s.logfile_path, "C:\\Program Files\\Pellmoor\\Orvane\\Logs");
    s.server_address.address = Ipv4TextToAddress("192.0.2.10");
    return s;
}

const char kFirstDump[] =
    "Show date=true\n"
    "Always on top=false\n"
    "Hide taskbar button=true\n"
    "Hide in tray=false\n"
    "Use dialup=true\n"
    "Force dial=true\n"
    "Use server by name=true\n"
    "Enable updates=true\n"
    "Receive sntp broadcasts=false\n"
    "Enable logging=true\n"
    "Write to event log=false\n"
    "Delete old logfiles=true\n"
    "Cap logfile folder size=false\n"
    "Launch program at startup=false\n"
    "Window position x=-12\n"
    "Window position y=40\n"
    "Window size x=300\n"
    "Window size y=120\n"
    "Update interval=60\n"
    "Maximum logfile space=10\n"
    "Maximum logfile age=7\n"
    "Logging level=2\n"
    "Protocol=1\n"
    "Largest correction=172800\n"
    "Time font name=Arial\n"
    "Date font name=Times 100%\n"
    "Dialup server name=[exists]\n"
    "Dialup server username=[exists]\n"
    "Server name=%s%n.example\n"
    "Logfile path=C:\\Program Files\\Pellmoor\\Orvane\\Logs\n"
    "Server ip address=192.0.2.10\n"
    "\n"
    "Operating system=Windows NT/2000\n"
    "Version=5.1 build 2600\n";

TEST_F(ConfigDumpTest, ExactTextWithDialupEntryAndUserName) {
    EXPECT_EQ(ConfigurationDumpText(FirstRecord()), kFirstDump);
}

TEST_F(ConfigDumpTest, ExactTextWithoutDialupEntryOrUserNameOnWindows98) {
    SettingsRecord s;  // all zero, empty texts
    s.update_interval = 1;
    std::strcpy(s.dialup_server_password, "still-secret");
    os.info = {kPlatformWin32Windows, 4, 10, 67766446};
    EXPECT_EQ(ConfigurationDumpText(s),
              "Show date=false\n"
              "Always on top=false\n"
              "Hide taskbar button=false\n"
              "Hide in tray=false\n"
              "Use dialup=false\n"
              "Force dial=false\n"
              "Use server by name=false\n"
              "Enable updates=false\n"
              "Receive sntp broadcasts=false\n"
              "Enable logging=false\n"
              "Write to event log=false\n"
              "Delete old logfiles=false\n"
              "Cap logfile folder size=false\n"
              "Launch program at startup=false\n"
              "Window position x=0\n"
              "Window position y=0\n"
              "Window size x=0\n"
              "Window size y=0\n"
              "Update interval=1\n"
              "Maximum logfile space=0\n"
              "Maximum logfile age=0\n"
              "Logging level=0\n"
              "Protocol=0\n"
              "Largest correction=172800\n"
              "Time font name=\n"
              "Date font name=\n"
              "Dialup server name=[none]\n"
              "Dialup server username=[none]\n"
              "Server name=\n"
              "Logfile path=\n"
              "Server ip address=0.0.0.0\n"
              "\n"
              "Operating system=Windows 95/98/ME\n"
              "Version=4.10 build 67766446\n");
}

TEST_F(ConfigDumpTest, PasswordNeverAppears) {
    const std::string text = ConfigurationDumpText(FirstRecord());
    EXPECT_EQ(text.find("TopSecret!"), std::string::npos);
    EXPECT_EQ(text.find("assword"), std::string::npos);
    EXPECT_EQ(text.find("alice"), std::string::npos);
    EXPECT_EQ(text.find("Work"), std::string::npos);
}

TEST_F(ConfigDumpTest, SystemThatDoesNotAnswerCountsAsNtAndShowsZeros) {
    os.answers = false;
    const std::string text = ConfigurationDumpText(FirstRecord());
    const std::string tail = "\nOperating system=Windows NT/2000\nVersion=0.0 build 0\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(ConfigDumpTest, FileIsWrittenInTextModeAndReplacedNotAppended) {
    MemoryFiles files;
    files.files[kConfigurationDumpPath] = "old content\r\n";
    ASSERT_TRUE(WriteConfigurationDumpFile(FirstRecord(), &files));
    ASSERT_TRUE(WriteConfigurationDumpFile(FirstRecord(), &files));
    const std::string& bytes = files.files[kConfigurationDumpPath];
    EXPECT_EQ(bytes, TextModeBytes(kFirstDump));
    EXPECT_EQ(bytes.find("old content"), std::string::npos);
    EXPECT_EQ(bytes.substr(0, 16), "Show date=true\r\n");
    // Every line feed has its carriage return, and no other is added.
    std::size_t lf = 0, crlf = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            ++lf;
            if (i > 0 && bytes[i - 1] == '\r')
                ++crlf;
        }
    }
    EXPECT_EQ(lf, 34u);
    EXPECT_EQ(crlf, lf);
}

TEST_F(ConfigDumpTest, NothingWrittenWhenTheOldFileCannotGo) {
    MemoryFiles files;
    files.files[kConfigurationDumpPath] = "locked";
    files.remove_error = 5;  // access denied
    EXPECT_FALSE(WriteConfigurationDumpFile(FirstRecord(), &files));
    EXPECT_EQ(files.files[kConfigurationDumpPath], "locked");
}

TEST_F(ConfigDumpTest, FailedWriteOrNoFileSystemReportsFailure) {
    MemoryFiles files;
    files.refuse_writes = true;
    EXPECT_FALSE(WriteConfigurationDumpFile(FirstRecord(), &files));
    EXPECT_FALSE(WriteConfigurationDumpFile(FirstRecord(), nullptr));
}

TEST_F(ConfigDumpTest, MessageText) {
    EXPECT_STREQ(kConfigurationDumpMessage,
                 "Configuration and operating system version written to "
                 "\"C:\\Orvane configuration.txt\".");
    EXPECT_STREQ(kConfigurationDumpPath, "c:\\Orvane configuration.txt");
}

TEST(ConfigOsVersion, NtUnlessTheSystemNamesAnotherPlatform) {
    struct Case {
        const char* what;
        bool answers;
        int platform_id;
        bool nt;
    };
    const Case cases[] = {
        {"NT answered", true, kPlatformWin32Nt, true},
        {"95/98/ME answered", true, kPlatformWin32Windows, false},
        {"no answer", false, kPlatformWin32Windows, true},
    };
    for (const Case& c : cases) {
        FakeOsVersion os;
        os.answers = c.answers;
        os.info.platform_id = c.platform_id;
        UseOsVersion(&os);
        EXPECT_EQ(IsNtPlatform(), c.nt) << c.what;
        UseOsVersion(nullptr);
    }
}

TEST(ConfigOsVersion, NumbersAreLeftAloneWithoutAnAnswer) {
    FakeOsVersion os;
    os.answers = false;
    UseOsVersion(&os);
    int major = 9, minor = 9, build = 9;
    EXPECT_EQ(GetOsVersion(&major, &minor, &build), 0);
    EXPECT_EQ(major, 9);
    UseOsVersion(nullptr);
}

}  // namespace
}  // namespace orvane
