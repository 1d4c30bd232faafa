#include "setup/initial_settings.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "support/fake_registry.h"
#include "settings/settings_store.h"

namespace orvane {
namespace {

constexpr RegistryScope kUser = RegistryScope::kUser;
constexpr RegistryScope kMachine = RegistryScope::kMachine;
const std::string kKey = kSettingsKeyPath;
const std::string kFolder = "D:\\Tools\\Orvane";

// The install folder as the copy left it: the installed files and one
// that is not Setup's.
class InstalledFolder : public FileSystem {
  public:
    int MakeDirectory(const std::string&) override { return 0; }
    bool FolderExists(const std::string&) override { return true; }
    bool AppendToFile(const std::string&, const std::string&) override { return false; }
    std::vector<FileEntry> ListFiles(const std::string& pattern) override {
        if (pattern != kFolder + "\\*")
            return {};
        return {{"Orvane.exe", 2000000, {}},
                {"uninstall.EXE", 500000, {}},
                {"OrvaneService.exe", 1000000, {}},
                {"Orvane.hlp", 1, {}},
                {"Orvane Event Log Interface.dll", 23, {}},
                {"notes.txt", 999999, {}}};
    }
    int RemoveFile(const std::string&) override { return 0; }
};

class SetupInitialSettingsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseRegistry(&registry_);
        UseFileSystem(&folder_);
    }
    void TearDown() override {
        UseRegistry(nullptr);
        UseFileSystem(nullptr);
    }

    std::int32_t MachineNumber(const std::string& name) {
        return registry_.Number(kMachine, kKey, name).value_or(-999);
    }
    std::int32_t UserNumber(const std::string& name) {
        return registry_.Number(kUser, kKey, name).value_or(-999);
    }
    std::string MachineText(const std::string& name) {
        return registry_.Text(kMachine, kKey, name).value_or("<missing>");
    }

    FakeRegistry registry_;
    InstalledFolder folder_;
};

TEST_F(SetupInitialSettingsTest, AFirstInstallationStoresExactlyTheInitialValues) {
    WriteInitialSettingsAndSystemEntries(kFolder, true);

    EXPECT_EQ(UserNumber("Show date"), 1);
    EXPECT_EQ(UserNumber("Always on top"), 0);
    EXPECT_EQ(UserNumber("Hide taskbar button"), 1);
    EXPECT_EQ(UserNumber("Hide in tray"), 0);
    EXPECT_EQ(UserNumber("Window position x"), 10);
    EXPECT_EQ(UserNumber("Window position y"), 10);
    EXPECT_EQ(UserNumber("Window size x"), 150);
    EXPECT_EQ(UserNumber("Window size y"), 80);
    EXPECT_EQ(registry_.Text(kUser, kKey, "Time font name"), "Arial");
    EXPECT_EQ(registry_.Text(kUser, kKey, "Date font name"), "Arial");

    EXPECT_EQ(MachineNumber("Use dialup"), 0);
    EXPECT_EQ(MachineNumber("Force dial"), 0);
    EXPECT_EQ(MachineNumber("Use server by name"), 0);
    EXPECT_EQ(MachineNumber("Enable updates"), 0);
    EXPECT_EQ(MachineNumber("Receive sntp broadcasts"), 1);
    EXPECT_EQ(MachineNumber("Enable logging"), 0);
    EXPECT_EQ(MachineNumber("Write to event log"), 0);
    EXPECT_EQ(MachineNumber("Delete old logfiles"), 0);
    EXPECT_EQ(MachineNumber("Cap logfile folder size"), 0);
    EXPECT_EQ(MachineNumber("Launch program at startup"), 1);
    EXPECT_EQ(MachineNumber("Update interval"), 300);
    EXPECT_EQ(MachineNumber("Maximum logfile space"), 10);
    EXPECT_EQ(MachineNumber("Maximum logfile age"), 7);
    EXPECT_EQ(MachineNumber("Logging level"), 1);
    EXPECT_EQ(MachineNumber("Protocol"), 1);
    EXPECT_EQ(MachineText("Server name"), "");
    EXPECT_EQ(MachineText("Server ip address"), "0.0.0.0");
    EXPECT_EQ(MachineText("Dialup server name"), "");
    EXPECT_EQ(MachineText("Dialup server username"), "");
    EXPECT_EQ(MachineText("Dialup server password"), "");
    EXPECT_EQ(MachineText("Logfile path"), "C:\\Data Files\\Pellmoor\\Orvane");
}

TEST_F(SetupInitialSettingsTest, LaunchAtStartupFollowsAClearedCheckBox) {
    WriteInitialSettingsAndSystemEntries(kFolder, false);
    EXPECT_EQ(MachineNumber("Launch program at startup"), 0);
}

TEST_F(SetupInitialSettingsTest, InstallationValuesAndSystemEntries) {
    WriteInitialSettingsAndSystemEntries(kFolder, true);

    EXPECT_EQ(MachineText("Install directory"), kFolder);
    EXPECT_EQ(MachineNumber("Program is installed"), 1);

    EXPECT_EQ(registry_.Text(kMachine, kAppPathsKeyPath, ""), "D:\\Tools\\Orvane\\Orvane.exe");
    EXPECT_EQ(registry_.Text(kMachine, kAppPathsKeyPath, "Path"), kFolder);

    const std::pair<const char*, std::string> uninstall_texts[] = {
        {"UninstallString", "\"D:\\Tools\\Orvane\\Uninstall.exe\""},
        {"QuietUninstallString", "\"D:\\Tools\\Orvane\\Uninstall.exe\" /quiet"},
        {"DisplayName", "Orvane 1.72"},
        {"DisplayVersion", ORVANE_VERSION_TEXT},
        {"Publisher", "Pellmoor"},
        {"DisplayIcon", "D:\\Tools\\Orvane\\Orvane.exe,0"},
        {"InstallLocation", kFolder},
    };
    for (const auto& [name, text] : uninstall_texts)
        EXPECT_EQ(registry_.Text(kMachine, kUninstallKeyPath, name), text) << name;
    // The installed files only, in kilobytes rounded up: 3500024 bytes.
    EXPECT_EQ(registry_.Number(kMachine, kUninstallKeyPath, "EstimatedSize"), 3418);
    EXPECT_EQ(registry_.Number(kMachine, kUninstallKeyPath, "NoModify"), 1);
    EXPECT_EQ(registry_.Number(kMachine, kUninstallKeyPath, "NoRepair"), 1);

    for (const char* source : {"Orvane", "Orvane Time Service"}) {
        const std::string key =
            std::string("System\\CurrentControlSet\\Services\\EventLog\\Application\\") + source +
            "\\";
        EXPECT_EQ(registry_.Text(kMachine, key, "EventMessageFile"),
                  "D:\\Tools\\Orvane\\Orvane Event Log Interface.dll")
            << source;
        EXPECT_EQ(registry_.Number(kMachine, key, "TypesSupported"), 7) << source;
    }
    EXPECT_EQ(registry_.open_keys(), 0);
}

TEST_F(SetupInitialSettingsTest, TheDisplayNameCarriesTheBuildsVersion) {
    EXPECT_EQ(UninstallDisplayName(), std::string("Orvane ") + ORVANE_VERSION_TEXT);
}

TEST_F(SetupInitialSettingsTest, AnEarlierVersionsValuesAreCarriedOver) {
    registry_.PutNumber(kUser, kKey, "ForceUp", 1);
    registry_.PutNumber(kUser, kKey, "GainingAddress", 1);
    registry_.PutNumber(kUser, kKey, "ReceiveBroadcast", 0);
    registry_.PutText(kUser, kKey, "Machine Name", "time.example.org");
    registry_.PutText(kUser, kKey, "MachineAddress", "192.168.7.9");
    registry_.PutNumber(kUser, kKey, "UpdateEvery", 60);
    registry_.PutNumber(kUser, kKey, "DialUp", 1);

    WriteInitialSettingsAndSystemEntries(kFolder, true);

    EXPECT_EQ(MachineNumber("Force dial"), 1);
    EXPECT_EQ(MachineNumber("Use server by name"), 1);
    EXPECT_EQ(MachineNumber("Receive sntp broadcasts"), 0);
    EXPECT_EQ(MachineText("Server name"), "time.example.org");
    EXPECT_EQ(MachineText("Server ip address"), "192.168.7.9");
    EXPECT_EQ(MachineNumber("Update interval"), 60);
    EXPECT_EQ(MachineNumber("Use dialup"), 1);
}

TEST_F(SetupInitialSettingsTest, AnEarlierAddressIsReadByTheRulesOfInetAddr) {
    registry_.PutText(kUser, kKey, "MachineAddress", "10.1");
    WriteInitialSettingsAndSystemEntries(kFolder, true);
    EXPECT_EQ(MachineText("Server ip address"), "10.0.0.1");
}

TEST_F(SetupInitialSettingsTest, AnEarlierAddressThatIsNoAddressBecomesInaddrNone) {
    registry_.PutText(kUser, kKey, "MachineAddress", "not an address");
    WriteInitialSettingsAndSystemEntries(kFolder, true);
    EXPECT_EQ(MachineText("Server ip address"), "255.255.255.255");
}

TEST_F(SetupInitialSettingsTest, ThisVersionsOwnValuesWinOverTheEarlierOnes) {
    registry_.PutNumber(kUser, kKey, "UpdateEvery", 60);
    registry_.PutText(kUser, kKey, "Machine Name", "old.example.org");
    registry_.PutNumber(kMachine, kKey, "Update interval", 45);
    registry_.PutText(kMachine, kKey, "Server name", "new.example.org");
    registry_.PutNumber(kUser, kKey, "Always on top", 1);

    WriteInitialSettingsAndSystemEntries(kFolder, true);

    EXPECT_EQ(MachineNumber("Update interval"), 45);
    EXPECT_EQ(MachineText("Server name"), "new.example.org");
    EXPECT_EQ(UserNumber("Always on top"), 1);
}

TEST_F(SetupInitialSettingsTest, AReinstallationKeepsTheSettingsButNotLaunchAtStartup) {
    WriteInitialSettingsAndSystemEntries(kFolder, true);
    registry_.PutNumber(kMachine, kKey, "Enable updates", 1);
    registry_.PutNumber(kMachine, kKey, "Update interval", 15);
    registry_.PutNumber(kMachine, kKey, "Receive sntp broadcasts", 0);
    registry_.PutNumber(kUser, kKey, "Window position x", 333);
    registry_.PutText(kUser, kKey, "Time font name", "Courier New");

    WriteInitialSettingsAndSystemEntries("C:\\Elsewhere", false);

    EXPECT_EQ(MachineNumber("Enable updates"), 1);
    EXPECT_EQ(MachineNumber("Update interval"), 15);
    EXPECT_EQ(MachineNumber("Receive sntp broadcasts"), 0);
    EXPECT_EQ(UserNumber("Window position x"), 333);
    EXPECT_EQ(registry_.Text(kUser, kKey, "Time font name"), "Courier New");
    EXPECT_EQ(MachineNumber("Launch program at startup"), 0);
    EXPECT_EQ(MachineText("Install directory"), "C:\\Elsewhere");

    // And the other way round: a stored 0 becomes 1 with the box checked.
    WriteInitialSettingsAndSystemEntries(kFolder, true);
    EXPECT_EQ(MachineNumber("Launch program at startup"), 1);
}

TEST_F(SetupInitialSettingsTest, TheEarlierKeyIsOnlyReadNeverCreated) {
    WriteInitialSettingsAndSystemEntries(kFolder, true);
    const std::vector<std::string> log = registry_.log();
    ASSERT_FALSE(log.empty());
    // The very first thing is a plain read of the user key.
    EXPECT_EQ(log[0].rfind("open user read", 0), 0u) << log[0];
}

TEST_F(SetupInitialSettingsTest, AMachineHiveThatCannotBeWrittenStillSavesTheUserPart) {
    registry_.DenyWrite(kMachine, true);
    WriteInitialSettingsAndSystemEntries(kFolder, true);
    EXPECT_EQ(UserNumber("Show date"), 1);
    EXPECT_FALSE(registry_.HasKey(kMachine, kKey));
    EXPECT_FALSE(registry_.HasKey(kMachine, kAppPathsKeyPath));
    EXPECT_EQ(registry_.open_keys(), 0);
}

}  // namespace
}  // namespace orvane
