#include "uninstall/removal_rules.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/fake_os_version.h"
#include "support/fake_uninstall_system.h"

namespace orvane {
namespace {

using Lines = std::vector<std::string>;

const std::string kExe = "C:\\Program Files\\Pellmoor\\Orvane\\Orvane.exe";
const std::string kFolder = "C:\\Program Files\\Pellmoor\\Orvane";

enum class Kind { kFile, kFolder };
enum class State {
    kPresent,        // removable now
    kHeld,           // a file in use, a folder not empty
    kHeldForGood,    // held, and its deletion at the restart cannot be recorded
    kAbsent,         // not there
    kHeldNoWininit,  // held, and wininit.ini cannot be written (Windows 9x)
};

struct RemovalCase {
    const char* name;
    bool nt;
    Kind kind;
    State state;
    RemovalOutcome outcome;
    Lines transcript;     // the system calls, in order
    std::string wininit;  // what wininit.ini holds afterwards
};

class UninstallRemovalRulesTest : public ::testing::TestWithParam<RemovalCase> {
  protected:
    void SetUp() override {
        os_.info.platform_id = GetParam().nt ? kPlatformWin32Nt : kPlatformWin32Windows;
        os_.info.major = 5;
        os_.info.minor = 1;
        UseOsVersion(&os_);
        UseUninstallSystem(&system_);
    }
    void TearDown() override {
        UseUninstallSystem(nullptr);
        UseOsVersion(nullptr);
    }

    FakeOsVersion os_;
    FakeUninstallSystem system_;
};

TEST_P(UninstallRemovalRulesTest, RemovesNowOrSchedulesOnlyWhatIsStillThere) {
    const RemovalCase& c = GetParam();
    const std::string path = c.kind == Kind::kFile ? kExe : kFolder;
    if (c.state != State::kAbsent)
        (c.kind == Kind::kFile ? system_.files : system_.folders).insert(path);
    if (c.state == State::kHeld || c.state == State::kHeldForGood ||
        c.state == State::kHeldNoWininit) {
        (c.kind == Kind::kFile ? system_.in_use : system_.not_empty).insert(path);
    }
    if (c.state == State::kHeldForGood)
        system_.unschedulable.insert(path);
    if (c.state == State::kHeldNoWininit)
        system_.unopenable.insert(kWininitPath);

    const RemovalOutcome outcome =
        c.kind == Kind::kFile ? RemoveFileByRule(path) : RemoveFolderByRule(path);
    EXPECT_EQ(outcome, c.outcome);
    EXPECT_EQ(system_.transcript(), c.transcript);
    EXPECT_EQ(system_.text_files[kWininitPath], c.wininit);
}

const std::string kDeleteExe = "delete file " + kExe;
const std::string kRemoveFolder = "remove folder " + kFolder;

INSTANTIATE_TEST_SUITE_P(
    Cases, UninstallRemovalRulesTest,
    ::testing::Values(
        // NT family: the pending deletions, only for what is still there.
        RemovalCase{"NtFileDeletedNow", true, Kind::kFile, State::kPresent,
                    RemovalOutcome::kRemoved, {kDeleteExe}, ""},
        RemovalCase{"NtFileInUseIsScheduled", true, Kind::kFile, State::kHeld,
                    RemovalOutcome::kScheduled, {kDeleteExe, "delete at restart " + kExe}, ""},
        RemovalCase{"NtFileAlreadyGoneIsNotScheduled", true, Kind::kFile, State::kAbsent,
                    RemovalOutcome::kAbsent, {kDeleteExe}, ""},
        RemovalCase{"NtFileThatCannotBeScheduledFails", true, Kind::kFile, State::kHeldForGood,
                    RemovalOutcome::kFailed, {kDeleteExe, "delete at restart " + kExe}, ""},
        RemovalCase{"NtFolderRemovedNow", true, Kind::kFolder, State::kPresent,
                    RemovalOutcome::kRemoved, {kRemoveFolder}, ""},
        RemovalCase{"NtFolderNotEmptyIsScheduled", true, Kind::kFolder, State::kHeld,
                    RemovalOutcome::kScheduled, {kRemoveFolder, "delete at restart " + kFolder},
                    ""},
        RemovalCase{"NtFolderAlreadyGoneIsNotScheduled", true, Kind::kFolder, State::kAbsent,
                    RemovalOutcome::kAbsent, {kRemoveFolder}, ""},
        // Windows 95/98/ME: wininit.ini, one section per item still there.
        RemovalCase{"OldWindowsFileDeletedNowHasNoSection", false, Kind::kFile, State::kPresent,
                    RemovalOutcome::kRemoved, {kDeleteExe}, ""},
        RemovalCase{"OldWindowsFileInUseGetsItsShortPath", false, Kind::kFile, State::kHeld,
                    RemovalOutcome::kScheduled, {kDeleteExe},
                    "[rename]\nNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\\ORVANE.EXE\n"},
        RemovalCase{"OldWindowsFileAlreadyGoneHasNoSection", false, Kind::kFile, State::kAbsent,
                    RemovalOutcome::kAbsent, {kDeleteExe}, ""},
        RemovalCase{"OldWindowsWithoutAWritableWininitFails", false, Kind::kFile,
                    State::kHeldNoWininit, RemovalOutcome::kFailed, {kDeleteExe}, ""},
        RemovalCase{"OldWindowsFolderNotEmptyGetsADirnulEntry", false, Kind::kFolder,
                    State::kHeld, RemovalOutcome::kScheduled, {kRemoveFolder},
                    "[rename]\nDIRNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\n"},
        RemovalCase{"OldWindowsFolderRemovedNowHasNoSection", false, Kind::kFolder,
                    State::kPresent, RemovalOutcome::kRemoved, {kRemoveFolder}, ""}),
    [](const ::testing::TestParamInfo<RemovalCase>& info) { return info.param.name; });

TEST(UninstallRemovalRulesSequence, OldWindowsAddsOneSectionPerScheduledItem) {
    FakeOsVersion os;
    os.info.platform_id = kPlatformWin32Windows;
    UseOsVersion(&os);
    FakeUninstallSystem system;
    UseUninstallSystem(&system);
    const std::string hlp = kFolder + "\\Orvane.hlp";
    system.files = {kExe, hlp};
    system.in_use = {kExe, hlp};
    RemoveFileByRule(kExe);
    RemoveFileByRule(kFolder + "\\gone.dll");
    RemoveFileByRule(hlp);
    EXPECT_EQ(system.text_files[kWininitPath],
              "[rename]\nNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\\ORVANE.EXE\n"
              "[rename]\nNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\\ORVANE.HLP\n");
    UseUninstallSystem(nullptr);
    UseOsVersion(nullptr);
}

}  // namespace
}  // namespace orvane
