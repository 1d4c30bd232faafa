#include "uninstall/uninstall_work.h"

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "service/windows_time_record.h"
#include "settings/settings_store.h"
#include "support/fake_os_version.h"
#include "support/fake_registry.h"
#include "support/fake_service_control.h"
#include "support/fake_uninstall_system.h"
#include "support/windows_time_samples.h"
#include "uninstall/removal_rules.h"

namespace orvane {
namespace {

using Lines = std::vector<std::string>;
constexpr RegistryScope kMachine = RegistryScope::kMachine;
constexpr RegistryScope kUser = RegistryScope::kUser;

const std::string kFolder = "D:\\Tools\\Orvane";
const std::string kAppPathsEntry = std::string(uninstall::kAppPathsKey) + "\\Orvane.exe";
const std::string kUninstallEntry = std::string(uninstall::kUninstallKey) + "\\Orvane";
const std::string kEventSources = "System\\CurrentControlSet\\Services\\EventLog\\Application";
const std::string kServiceEventSource = kEventSources + "\\Orvane Time Service";

class UninstallWorkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        UseRegistry(&registry_);
        UseServiceControl(&services_);
        os_.info.platform_id = kPlatformWin32Nt;
        os_.info.major = 5;
        os_.info.minor = 1;
        UseOsVersion(&os_);
        UseUninstallSystem(&system_);
        // What Setup leaves behind.
        registry_.PutText(kMachine, uninstall::kProductKey, "Install directory", kFolder);
        registry_.PutNumber(kMachine, uninstall::kProductKey, "Program is installed", 1);
        registry_.PutNumber(kMachine, uninstall::kProductKey, "Update interval", 60);
        registry_.PutText(kMachine, uninstall::kProductKey, "Server name", "time.example.org");
        registry_.PutNumber(kUser, uninstall::kProductKey, "Show date", 0);
        registry_.PutText(kMachine, kAppPathsEntry, "", kFolder + "\\Orvane.exe");
        registry_.PutText(kMachine, kAppPathsEntry, "Path", kFolder);
        registry_.PutText(kMachine, std::string(uninstall::kAppPathsKey) + "\\other.exe", "",
                          "C:\\other.exe");
        registry_.PutText(kMachine, kUninstallEntry, "UninstallString",
                          kFolder + "\\Uninstall.exe");
        registry_.PutText(kMachine, kUninstallEntry, "DisplayName", "Orvane 1.72");
        for (const std::string source : {"\\Orvane", "\\Orvane Time Service"}) {
            registry_.PutText(kMachine, kEventSources + source, "EventMessageFile",
                              kFolder + "\\Orvane Event Log Interface.dll");
        }
        FakeService& time = services_.AddService("W32Time");
        time.state = kServiceStopped;
        time.start_type = kServiceDemandStart;
        for (const char* name :
             {"Orvane.exe", "Orvane Event Log Interface.dll", "Orvane.hlp", "Uninstall.exe"}) {
            system_.files.insert(kFolder + "\\" + name);
        }
        system_.folders.insert(kFolder);
    }
    void TearDown() override {
        UseUninstallSystem(nullptr);
        UseOsVersion(nullptr);
        UseServiceControl(nullptr);
        UseRegistry(nullptr);
    }

    // The transcript without the file calls: what the user sees, in order.
    Lines ViewLines() {
        Lines seen;
        for (const std::string& line : system_.transcript()) {
            if (line.rfind("label ", 0) == 0 || line.rfind("position ", 0) == 0 ||
                line == "enable close") {
                seen.push_back(line);
            }
        }
        return seen;
    }

    std::uint32_t TimeStartType() { return services_.Find("W32Time")->start_type; }

    FakeRegistry registry_;
    FakeServiceControl services_;
    FakeOsVersion os_;
    FakeUninstallSystem system_;
};

// --- The steps in order.

TEST_F(UninstallWorkTest, RunsTheStepsInOrderWithTheirLabelsAndPositions) {
    RunUninstallWork(system_);
    // Everything removable goes now: nothing waits for the restart, and
    // what is not there (these shortcuts) is not scheduled either.
    const Lines expected = {
        "window check",
        "label Deleting Orvane.exe",
        "delete file D:\\Tools\\Orvane\\Orvane.exe",
        "position 10",
        "label Deleting Orvane Event Log Interface.dll",
        "delete file D:\\Tools\\Orvane\\Orvane Event Log Interface.dll",
        "position 40",
        "label Deleting Orvane.hlp",
        "delete file D:\\Tools\\Orvane\\Orvane.hlp",
        "position 50",
        "label Deleting Uninstall.exe",
        "delete file D:\\Tools\\Orvane\\Uninstall.exe",
        "position 50",
        "remove folder D:\\Tools\\Orvane",
        "position 50",
        "delete file C:\\All\\Programs\\Startup\\Orvane.lnk",
        "delete file C:\\All\\Programs\\Orvane\\Orvane.lnk",
        "delete file C:\\All\\Programs\\Orvane\\Uninstall.lnk",
        "remove folder C:\\All\\Programs\\Orvane",
        "position 60",
        "label Uninstallation successful",
        "position 100",
        "enable close",
    };
    EXPECT_EQ(system_.transcript(), expected);
}

TEST_F(UninstallWorkTest, WhatIsInUseIsScheduledAndStillCountsAsSuccess) {
    system_.in_use.insert(kFolder + "\\Uninstall.exe");
    system_.not_empty.insert(kFolder);
    RunUninstallWork(system_);
    const Lines transcript = system_.transcript();
    Lines scheduled;
    for (const std::string& line : transcript) {
        if (line.rfind("delete at restart ", 0) == 0)
            scheduled.push_back(line);
    }
    EXPECT_EQ(scheduled, (Lines{"delete at restart D:\\Tools\\Orvane\\Uninstall.exe",
                                "delete at restart D:\\Tools\\Orvane"}));
    EXPECT_EQ(ViewLines().back(), "enable close");
    EXPECT_NE(std::find(transcript.begin(), transcript.end(), "label Uninstallation successful"),
              transcript.end());
}

TEST_F(UninstallWorkTest, RegistryStepsComeAfterTheFilesAndInTheirOrder) {
    RunUninstallWork(system_);
    const Lines log = registry_.log();
    const Lines expected = {
        "open machine read Software\\Pellmoor\\Orvane",
        "read text Install directory 260",
        "close",
        "open machine read SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane",
        "read number Windows Time start type",
        "close",
        "open machine write SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths",
        "delete key Orvane.exe",
        "close",
        "open machine write SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall",
        "delete key Orvane",
        "close",
        "open machine write System\\CurrentControlSet\\Services\\EventLog\\Application",
        "delete key Orvane Time Service",
        "close",
        "open machine write Software\\Pellmoor\\Orvane",
        "write number Program is installed",
        "close",
        "open machine read Software\\Pellmoor\\Kestrine failed 2",
    };
    EXPECT_EQ(log, expected);
}

TEST_F(UninstallWorkTest, RemovesEveryInstalledFileAndTheFolder) {
    RunUninstallWork(system_);
    EXPECT_TRUE(system_.files.empty());
    EXPECT_TRUE(system_.folders.empty());
}

// --- Registry: entries gone, settings kept.

TEST_F(UninstallWorkTest, DeletesTheAppPathsAndUninstallEntriesOnly) {
    RunUninstallWork(system_);
    EXPECT_FALSE(registry_.HasKey(kMachine, kAppPathsEntry));
    EXPECT_FALSE(registry_.HasKey(kMachine, kUninstallEntry));
    EXPECT_TRUE(registry_.HasKey(kMachine, std::string(uninstall::kAppPathsKey) + "\\other.exe"));
    // The program's event source stays; the service's goes with the service.
    EXPECT_TRUE(registry_.HasKey(kMachine, kEventSources + "\\Orvane"));
    EXPECT_FALSE(registry_.HasKey(kMachine, kServiceEventSource));
}

TEST_F(UninstallWorkTest, MarksTheProductNotInstalledAndKeepsItsSettings) {
    RunUninstallWork(system_);
    EXPECT_EQ(registry_.Number(kMachine, uninstall::kProductKey, "Program is installed"), 0);
    EXPECT_EQ(registry_.Text(kMachine, uninstall::kProductKey, "Install directory"), kFolder);
    EXPECT_EQ(registry_.Number(kMachine, uninstall::kProductKey, "Update interval"), 60);
    EXPECT_EQ(registry_.Text(kMachine, uninstall::kProductKey, "Server name"), "time.example.org");
    EXPECT_EQ(registry_.Number(kUser, uninstall::kProductKey, "Show date"), 0);
    EXPECT_EQ(registry_.open_keys(), 0);
}

TEST_F(UninstallWorkTest, WithoutTheProductKeyUsesTheDefaultFolderAndWritesNothing) {
    FakeRegistry empty;
    UseRegistry(&empty);
    EXPECT_EQ(ReadInstallFolder(), "C:\\Program Files\\Pellmoor\\Orvane");
    RunUninstallWork(system_);
    const Lines transcript = system_.transcript();
    EXPECT_NE(std::find(transcript.begin(), transcript.end(),
                        "delete file C:\\Program Files\\Pellmoor\\Orvane\\Orvane.exe"),
              transcript.end());
    EXPECT_NE(std::find(transcript.begin(), transcript.end(),
                        "remove folder C:\\Program Files\\Pellmoor\\Orvane"),
              transcript.end());
    EXPECT_FALSE(empty.HasKey(kMachine, uninstall::kProductKey));
    EXPECT_EQ(empty.open_keys(), 0);
}

TEST_F(UninstallWorkTest, WithTheKeyButNoFolderValueUsesTheDefaultFolder) {
    FakeRegistry registry;
    registry.PutNumber(kMachine, uninstall::kProductKey, "Program is installed", 1);
    UseRegistry(&registry);
    EXPECT_EQ(ReadInstallFolder(), "C:\\Program Files\\Pellmoor\\Orvane");
}

TEST_F(UninstallWorkTest, AFolderValueTooLongForItsFieldLeavesTheDefault) {
    registry_.PutText(kMachine, uninstall::kProductKey, "Install directory",
                      "C:\\" + std::string(300, 'x'));
    EXPECT_EQ(ReadInstallFolder(), "C:\\Program Files\\Pellmoor\\Orvane");
}

// --- Items left behind: the work goes on, and the end says so.

TEST_F(UninstallWorkTest, FailuresEverywhereEndIncompleteWithEveryItemListed) {
    registry_.DenyWrite(kMachine, true);
    services_.FailOpenManager(5);
    for (const std::string& file : system_.files) {
        system_.in_use.insert(file);
        system_.unschedulable.insert(file);
    }
    system_.not_empty.insert(kFolder);
    system_.unschedulable.insert(kFolder);
    RunUninstallWork(system_);
    const Lines seen = ViewLines();
    ASSERT_GE(seen.size(), 3u);
    EXPECT_EQ(Lines(seen.end() - 3, seen.end()),
              (Lines{"label Uninstallation incomplete", "position 100", "enable close"}));
    EXPECT_EQ(
        system_.transcript().back(),
        "error box Uninstallation incomplete\n\n"
        "These items could neither be removed nor scheduled for removal:\n"
        "D:\\Tools\\Orvane\\Orvane.exe\n"
        "D:\\Tools\\Orvane\\Orvane Event Log Interface.dll\n"
        "D:\\Tools\\Orvane\\Orvane.hlp\n"
        "D:\\Tools\\Orvane\\Uninstall.exe\n"
        "D:\\Tools\\Orvane\n"
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Orvane.exe\n"
        "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Orvane\n"
        "HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\EventLog\\Application\\"
        "Orvane Time Service\n"
        "HKEY_LOCAL_MACHINE\\Software\\Pellmoor\\Orvane: \"Program is installed\" mark\n"
        "Windows Time service: its automatic start\n"
        "Windows Time service: its start, error code 5");
    EXPECT_EQ(registry_.Number(kMachine, uninstall::kProductKey, "Program is installed"), 1);
}

// One kind of leftover alone: the arrangement and the one item listed.
struct LeftoverCase {
    const char* name;
    void (*arrange)(FakeUninstallSystem& system, FakeRegistry& registry,
                    FakeServiceControl& services);
    std::string item;
};

class UninstallLeftoverTest : public UninstallWorkTest,
                              public ::testing::WithParamInterface<LeftoverCase> {};

TEST_P(UninstallLeftoverTest, AloneMakesTheEndIncompleteAndIsListed) {
    GetParam().arrange(system_, registry_, services_);
    RunUninstallWork(system_);
    const Lines seen = ViewLines();
    EXPECT_EQ(seen[seen.size() - 3], "label Uninstallation incomplete");
    EXPECT_EQ(system_.transcript().back(),
              "error box " + IncompleteUninstallText({GetParam().item}));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, UninstallLeftoverTest,
    ::testing::Values(
        LeftoverCase{"FileNeitherDeletedNorScheduled",
                     [](FakeUninstallSystem& system, FakeRegistry&, FakeServiceControl&) {
                         system.in_use.insert(kFolder + "\\Orvane.hlp");
                         system.unschedulable.insert(kFolder + "\\Orvane.hlp");
                         system.not_empty.insert(kFolder);
                     },
                     kFolder + "\\Orvane.hlp"},
        LeftoverCase{"ShortcutNeitherDeletedNorScheduled",
                     [](FakeUninstallSystem& system, FakeRegistry&, FakeServiceControl&) {
                         const std::string link = "C:\\All\\Programs\\Startup\\Orvane.lnk";
                         system.files.insert(link);
                         system.in_use.insert(link);
                         system.unschedulable.insert(link);
                     },
                     "C:\\All\\Programs\\Startup\\Orvane.lnk"},
        LeftoverCase{"RegistryEntryThatStays",
                     [](FakeUninstallSystem&, FakeRegistry& registry, FakeServiceControl&) {
                         registry.CreateKey(kMachine, kUninstallEntry + "\\Below");
                     },
                     "HKEY_LOCAL_MACHINE\\" + kUninstallEntry},
        LeftoverCase{"EventSourceThatStays",
                     [](FakeUninstallSystem&, FakeRegistry& registry, FakeServiceControl&) {
                         registry.CreateKey(kMachine, kServiceEventSource + "\\Below");
                     },
                     "HKEY_LOCAL_MACHINE\\" + kServiceEventSource},
        LeftoverCase{"WindowsTimeLeftOnDemand",
                     [](FakeUninstallSystem&, FakeRegistry&, FakeServiceControl& services) {
                         services.FailChange(5);
                     },
                     "Windows Time service: its automatic start"}),
    [](const ::testing::TestParamInfo<LeftoverCase>& info) { return info.param.name; });

TEST_F(UninstallWorkTest, TheIncompleteTextListsOneItemALine) {
    EXPECT_EQ(IncompleteUninstallText({"C:\\a", "C:\\b"}),
              "Uninstallation incomplete\n\n"
              "These items could neither be removed nor scheduled for removal:\nC:\\a\nC:\\b");
}

// --- Windows Time and the sibling time server.

TEST_F(UninstallWorkTest, WithoutARecordSetsWindowsTimeBackToAutomaticAndStartsIt) {
    RunUninstallWork(system_);
    EXPECT_EQ(TimeStartType(), kServiceAutoStart);
    EXPECT_EQ(services_.Find("W32Time")->display_name, "W32Time");
    EXPECT_EQ(services_.Find("W32Time")->state, kServiceRunning);
    EXPECT_EQ(services_.open_handles(), 0);
}

TEST_F(UninstallWorkTest, LaterVersionsWhateverTheirMinorNumberGetItBackToo) {
    for (auto [major, minor] :
         {std::pair{5, 2}, std::pair{6, 0}, std::pair{6, 1}, std::pair{10, 0}}) {
        services_.Find("W32Time")->start_type = kServiceDemandStart;
        os_.info.major = major;
        os_.info.minor = minor;
        RunUninstallWork(system_);
        EXPECT_EQ(TimeStartType(), kServiceAutoStart) << major << "." << minor;
    }
}

TEST_F(UninstallWorkTest, Windows2000AndEarlierLeaveTheServiceAlone) {
    for (auto [major, minor] : {std::pair{5, 0}, std::pair{4, 0}, std::pair{4, 10}}) {
        os_.info.major = major;
        os_.info.minor = minor;
        RunUninstallWork(system_);
        EXPECT_EQ(TimeStartType(), kServiceDemandStart) << major << "." << minor;
        EXPECT_EQ(services_.Find("W32Time")->display_name, "W32Time display");
    }
}

TEST_F(UninstallWorkTest, AnUnknownVersionLeavesTheServiceAlone) {
    os_.answers = false;
    RunUninstallWork(system_);
    EXPECT_EQ(TimeStartType(), kServiceDemandStart);
}

TEST_F(UninstallWorkTest, KestrineInstalledLeavesTheServiceAlone) {
    registry_.PutNumber(kMachine, uninstall::kKestrineKey, "Program is installed", 1);
    EXPECT_TRUE(IsKestrineInstalled());
    RunUninstallWork(system_);
    EXPECT_EQ(TimeStartType(), kServiceDemandStart);
    EXPECT_EQ(services_.Find("W32Time")->display_name, "W32Time display");
    // Everything else still happens.
    EXPECT_FALSE(registry_.HasKey(kMachine, kUninstallEntry));
    EXPECT_EQ(ViewLines().back(), "enable close");
}

TEST_F(UninstallWorkTest, KestrineCountsOnlyWithTheNumberOne) {
    EXPECT_FALSE(IsKestrineInstalled());  // no key
    registry_.CreateKey(kMachine, uninstall::kKestrineKey);
    EXPECT_FALSE(IsKestrineInstalled());  // no value
    registry_.PutNumber(kMachine, uninstall::kKestrineKey, "Program is installed", 0);
    EXPECT_FALSE(IsKestrineInstalled());
    registry_.PutNumber(kMachine, uninstall::kKestrineKey, "Program is installed", 2);
    EXPECT_FALSE(IsKestrineInstalled());
    registry_.PutText(kMachine, uninstall::kKestrineKey, "Program is installed", "1");
    EXPECT_FALSE(IsKestrineInstalled());
    EXPECT_EQ(registry_.open_keys(), 0);

    registry_.PutNumber(kMachine, uninstall::kKestrineKey, "Program is installed", 0);
    RunUninstallWork(system_);
    EXPECT_EQ(TimeStartType(), kServiceAutoStart);
}

TEST_F(UninstallWorkTest, AMissingWindowsTimeServiceIsNoFailure) {
    FakeServiceControl none;
    UseServiceControl(&none);
    RunUninstallWork(system_);
    EXPECT_EQ(ViewLines().back(), "enable close");
    EXPECT_EQ(none.open_handles(), 0);
}

// --- What Setup recorded of Windows Time, given back and then started.

// Windows Time as Setup leaves it: stopped, on demand, no triggers, its
// task disabled; and the record of it before, if any.
struct GiveBackCase {
    const char* name;
    void (*arrange)(FakeRegistry& registry, FakeServiceControl& services);
    std::uint32_t start_type;
    std::vector<ServiceTrigger> triggers;
    bool task_enabled;
    bool runs;
    Lines leftovers;
};

class UninstallGiveBackTest : public UninstallWorkTest,
                              public ::testing::WithParamInterface<GiveBackCase> {};

TEST_P(UninstallGiveBackTest, PutsBackWhatWasRecordedThenStartsWindowsTime) {
    const GiveBackCase& c = GetParam();
    os_.info.major = 10;
    os_.info.minor = 0;
    services_.tasks_enabled[kSynchronizeTimeTaskPath] = false;
    c.arrange(registry_, services_);
    RunUninstallWork(system_);
    const FakeService& time = *services_.Find("W32Time");
    EXPECT_EQ(time.start_type, c.start_type);
    EXPECT_EQ(time.triggers, c.triggers);
    EXPECT_EQ(services_.tasks_enabled[kSynchronizeTimeTaskPath], c.task_enabled);
    EXPECT_EQ(time.state == kServiceRunning, c.runs);
    EXPECT_EQ(
        system_.transcript().back(),
        c.leftovers.empty() ? "enable close" : "error box " + IncompleteUninstallText(c.leftovers));
    EXPECT_EQ(services_.open_handles(), 0);
}

const std::vector<ServiceTrigger> kNoTriggers;
const Lines kNone;

void Recorded(std::uint32_t start_type, std::vector<ServiceTrigger> triggers, TaskState task) {
    WindowsTimeRecord record;
    record.start_type = start_type;
    record.triggers = std::move(triggers);
    record.task = task;
    KeepWindowsTimeRecordOnce(kUninstallEntry.c_str(), record);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UninstallGiveBackTest,
    ::testing::Values(
        GiveBackCase{"Windows11Default",
                     [](FakeRegistry&, FakeServiceControl&) {
                         Recorded(kServiceDemandStart, {DomainJoinTrigger(), CustomStopTrigger()},
                                  TaskState::kEnabled);
                     },
                     kServiceDemandStart,
                     {DomainJoinTrigger(), CustomStopTrigger()},
                     true,
                     true,
                     kNone},
        GiveBackCase{"AutomaticWithoutTriggersOrTask",
                     [](FakeRegistry&, FakeServiceControl&) {
                         Recorded(kServiceAutoStart, kNoTriggers, TaskState::kMissing);
                     },
                     kServiceAutoStart, kNoTriggers, false, true, kNone},
        GiveBackCase{"TaskThatWasDisabledStaysSo",
                     [](FakeRegistry&, FakeServiceControl&) {
                         Recorded(kServiceDemandStart, kNoTriggers, TaskState::kDisabled);
                     },
                     kServiceDemandStart, kNoTriggers, false, true, kNone},
        GiveBackCase{"SwitchedOffStaysOff",
                     [](FakeRegistry&, FakeServiceControl&) {
                         Recorded(kServiceDisabled, kNoTriggers, TaskState::kMissing);
                     },
                     kServiceDisabled, kNoTriggers, false, false, kNone},
        GiveBackCase{"NoRecordMeansAutomatic", [](FakeRegistry&, FakeServiceControl&) {},
                     kServiceAutoStart, kNoTriggers, false, true, kNone},
        GiveBackCase{"CorruptRecordMeansAutomatic",
                     [](FakeRegistry& registry, FakeServiceControl&) {
                         Recorded(kServiceDemandStart, kNoTriggers, TaskState::kEnabled);
                         registry.PutRaw(kMachine, kUninstallEntry, "Windows Time triggers",
                                         kRegBinary, {7});
                     },
                     kServiceAutoStart, kNoTriggers, false, true, kNone},
        GiveBackCase{"RunningAlreadyIsNoFailure",
                     [](FakeRegistry&, FakeServiceControl& services) {
                         services.Find("W32Time")->state = kServiceRunning;
                     },
                     kServiceAutoStart, kNoTriggers, false, true, kNone},
        GiveBackCase{"KestrineWinsOverTheRecord",
                     [](FakeRegistry& registry, FakeServiceControl&) {
                         Recorded(kServiceAutoStart, {BareTrigger()}, TaskState::kEnabled);
                         registry.PutNumber(kMachine, uninstall::kKestrineKey,
                                            "Program is installed", 1);
                     },
                     kServiceDemandStart, kNoTriggers, false, false, kNone},
        GiveBackCase{"TriggersRefused",
                     [](FakeRegistry&, FakeServiceControl& services) {
                         Recorded(kServiceDemandStart, {BareTrigger()}, TaskState::kMissing);
                         services.FailTriggers(5);
                     },
                     kServiceDemandStart,
                     kNoTriggers,
                     false,
                     true,
                     {"Windows Time service: its start triggers"}},
        GiveBackCase{"TaskRefused",
                     [](FakeRegistry&, FakeServiceControl& services) {
                         Recorded(kServiceDemandStart, kNoTriggers, TaskState::kEnabled);
                         services.FailTasks(5);
                     },
                     kServiceDemandStart,
                     kNoTriggers,
                     false,
                     true,
                     {"Windows Time synchronisation task"}},
        GiveBackCase{
            "NotStarted",
            [](FakeRegistry&, FakeServiceControl& services) { services.DenyAccess(kServiceStart); },
            kServiceAutoStart,
            kNoTriggers,
            false,
            false,
            {"Windows Time service: its start, error code 5"}}),
    [](const ::testing::TestParamInfo<GiveBackCase>& info) { return info.param.name; });

// --- The Orvane Time Service, from Windows Vista on.

struct TimeServiceRemovalCase {
    const char* name;
    bool installed;
    std::uint32_t denied_rights;
    Lines leftovers;
};

class UninstallTimeServiceTest : public UninstallWorkTest,
                                 public ::testing::WithParamInterface<TimeServiceRemovalCase> {};

// Stopped and deleted before any file goes, its program deleted with the
// other files; one that cannot be removed is listed.
TEST_P(UninstallTimeServiceTest, GoesFirstAndItsProgramWithTheFiles) {
    const TimeServiceRemovalCase& c = GetParam();
    os_.info.major = 6;
    os_.info.minor = 0;
    if (c.installed)
        services_.AddService("OrvaneTime");
    services_.DenyAccess(c.denied_rights);
    system_.files.insert(kFolder + "\\OrvaneService.exe");
    RunUninstallWork(system_);
    const bool removed = c.leftovers.empty();
    EXPECT_EQ(services_.Find("OrvaneTime") == nullptr, removed || !c.installed);
    EXPECT_TRUE(system_.files.empty());
    EXPECT_EQ(
        ViewLines(),
        (Lines{"label Removing the Orvane Time Service", "position 5", "label Deleting Orvane.exe",
               "position 10", "label Deleting Orvane Event Log Interface.dll", "position 40",
               "label Deleting Orvane.hlp", "position 50", "label Deleting OrvaneService.exe",
               "position 50", "label Deleting Uninstall.exe", "position 50", "position 50",
               "position 60",
               removed ? "label Uninstallation successful" : "label Uninstallation incomplete",
               "position 100", "enable close"}));
    if (!removed) {
        EXPECT_EQ(system_.transcript().back(), "error box " + IncompleteUninstallText(c.leftovers));
    }
    EXPECT_EQ(services_.open_handles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UninstallTimeServiceTest,
    ::testing::Values(TimeServiceRemovalCase{"Removed", true, 0, {}},
                      TimeServiceRemovalCase{"NotInstalledIsNoFailure", false, 0, {}},
                      TimeServiceRemovalCase{"Refused",
                                             true,
                                             kServiceDelete,
                                             {"Orvane Time Service (OrvaneTime), error code 5"}}),
    [](const ::testing::TestParamInfo<TimeServiceRemovalCase>& info) { return info.param.name; });

// --- A running Orvane.

TEST_F(UninstallWorkTest, WithNoOrvaneRunningThereIsNoWait) {
    CloseOrvaneBeforeUninstall();
    EXPECT_EQ(system_.transcript(), (Lines{"window check"}));
}

TEST_F(UninstallWorkTest, ARunningOrvaneIsToldToCloseAndWaitedForWhileItIsThere) {
    system_.window_present = true;
    system_.checks_before_gone = 1;
    CloseOrvaneBeforeUninstall();
    EXPECT_EQ(system_.transcript(),
              (Lines{"window check", "post close", "window check", "sleep 1000", "window check"}));
}

TEST_F(UninstallWorkTest, AnOrvaneThatClosesAtOnceCostsNoWait) {
    system_.window_present = true;
    system_.checks_before_gone = 0;
    CloseOrvaneBeforeUninstall();
    EXPECT_EQ(system_.transcript(), (Lines{"window check", "post close", "window check"}));
}

TEST_F(UninstallWorkTest, AnOrvaneThatStaysIsWaitedForThreeSecondsThenTheWorkGoesOn) {
    system_.window_present = true;
    system_.checks_before_gone = -1;
    RunUninstallWork(system_);
    const Lines transcript = system_.transcript();
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "sleep 1000"), 3);
    EXPECT_EQ(std::count(transcript.begin(), transcript.end(), "post close"), 1);
    // The closing comes first.
    const auto first_label =
        std::find(transcript.begin(), transcript.end(), "label Deleting Orvane.exe");
    EXPECT_EQ(std::find(first_label, transcript.end(), "sleep 1000"), transcript.end());
    EXPECT_EQ(transcript.back(), "enable close");
}

// --- Windows 95/98/ME.

TEST_F(UninstallWorkTest, OldWindowsUsesTheStartMenuAndTheUsersStartupFolder) {
    os_.info.platform_id = kPlatformWin32Windows;
    EXPECT_EQ(FindInstalledProgramsFolder(), "C:\\Me\\Start Menu\\Programs");
    EXPECT_EQ(FindInstalledStartupFolder(), "C:\\Me\\Start Menu\\Programs\\Startup");
    os_.info.platform_id = kPlatformWin32Nt;
    EXPECT_EQ(FindInstalledProgramsFolder(), "C:\\All\\Programs");
    EXPECT_EQ(FindInstalledStartupFolder(), "C:\\All\\Programs\\Startup");
}

TEST_F(UninstallWorkTest, OldWindowsSchedulesWhatIsInUseThroughWininit) {
    os_.info.platform_id = kPlatformWin32Windows;
    system_.in_use.insert(kFolder + "\\Uninstall.exe");
    system_.not_empty.insert(kFolder);
    RunUninstallWork(system_);
    const std::string wininit = system_.text_files[kWininitPath];
    // One section for each item still there: the program in use and its
    // folder.
    std::size_t sections = 0;
    for (std::size_t at = wininit.find("[rename]\n"); at != std::string::npos;
         at = wininit.find("[rename]\n", at + 1)) {
        ++sections;
    }
    EXPECT_EQ(sections, 2u);
    EXPECT_NE(wininit.find("[rename]\nNUL=D:\\TOOLS\\ORVANE\\UNINSTALL.EXE\n"), std::string::npos);
    EXPECT_NE(wininit.find("[rename]\nDIRNUL=D:\\TOOLS\\ORVANE\n"), std::string::npos);
    EXPECT_EQ(wininit.find("ORVANE.EXE\n"), std::string::npos);  // deleted at once
    const Lines transcript = system_.transcript();
    EXPECT_NE(std::find(transcript.begin(), transcript.end(),
                        "delete file C:\\Me\\Start Menu\\Programs\\Startup\\Orvane.lnk"),
              transcript.end());
    EXPECT_NE(std::find(transcript.begin(), transcript.end(),
                        "remove folder C:\\Me\\Start Menu\\Programs\\Orvane"),
              transcript.end());
    for (const std::string& line : transcript) {
        EXPECT_EQ(line.rfind("delete at restart", 0), std::string::npos) << line;
    }
}

// --- Shell folders the shell cannot name.

TEST_F(UninstallWorkTest, AnUnknownShellFolderIsSkippedNotTakenAsTheDriveRoot) {
    system_.shell_folders[ShellFolder::kCommonPrograms] = "";
    system_.shell_folders[ShellFolder::kCommonStartup] = "";
    RunUninstallWork(system_);
    for (const std::string& line : system_.transcript()) {
        EXPECT_EQ(line.find(".lnk"), std::string::npos) << line;
        EXPECT_NE(line, "remove folder \\Orvane");
    }
    EXPECT_EQ(ViewLines().back(), "enable close");
}

}  // namespace
}  // namespace orvane
