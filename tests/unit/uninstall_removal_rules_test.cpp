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
    bool asks_for_the_restart;  // the removal call, then the pending deletion
    const char* wininit;        // what wininit.ini holds afterwards
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
    Lines calls = {(c.kind == Kind::kFile ? "delete file " : "remove folder ") + path};
    if (c.asks_for_the_restart)
        calls.push_back("delete at restart " + path);
    EXPECT_EQ(system_.transcript(), calls);
    EXPECT_EQ(system_.text_files[kWininitPath], c.wininit);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, UninstallRemovalRulesTest,
    ::testing::Values(
        // NT family: the pending deletions, only for what is still there.
        RemovalCase{"NtFileDeletedNow", true, Kind::kFile, State::kPresent,
                    RemovalOutcome::kRemoved, false, ""},
        RemovalCase{"NtFileInUseIsScheduled", true, Kind::kFile, State::kHeld,
                    RemovalOutcome::kScheduled, true, ""},
        RemovalCase{"NtFileAlreadyGoneIsNotScheduled", true, Kind::kFile, State::kAbsent,
                    RemovalOutcome::kAbsent, false, ""},
        RemovalCase{"NtFileThatCannotBeScheduledFails", true, Kind::kFile, State::kHeldForGood,
                    RemovalOutcome::kFailed, true, ""},
        RemovalCase{"NtFolderRemovedNow", true, Kind::kFolder, State::kPresent,
                    RemovalOutcome::kRemoved, false, ""},
        RemovalCase{"NtFolderNotEmptyIsScheduled", true, Kind::kFolder, State::kHeld,
                    RemovalOutcome::kScheduled, true, ""},
        RemovalCase{"NtFolderAlreadyGoneIsNotScheduled", true, Kind::kFolder, State::kAbsent,
                    RemovalOutcome::kAbsent, false, ""},
        // Windows 95/98/ME: wininit.ini, one section per item still there.
        RemovalCase{"OldWindowsFileDeletedNowHasNoSection", false, Kind::kFile, State::kPresent,
                    RemovalOutcome::kRemoved, false, ""},
        RemovalCase{"OldWindowsFileInUseGetsItsShortPath", false, Kind::kFile, State::kHeld,
                    RemovalOutcome::kScheduled, false,
                    "[rename]\nNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\\ORVANE.EXE\n"},
        RemovalCase{"OldWindowsFileAlreadyGoneHasNoSection", false, Kind::kFile, State::kAbsent,
                    RemovalOutcome::kAbsent, false, ""},
        RemovalCase{"OldWindowsWithoutAWritableWininitFails", false, Kind::kFile,
                    State::kHeldNoWininit, RemovalOutcome::kFailed, false, ""},
        RemovalCase{"OldWindowsFolderNotEmptyGetsADirnulEntry", false, Kind::kFolder, State::kHeld,
                    RemovalOutcome::kScheduled, false,
                    "[rename]\nDIRNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\n"},
        RemovalCase{"OldWindowsFolderRemovedNowHasNoSection", false, Kind::kFolder, State::kPresent,
                    RemovalOutcome::kRemoved, false, ""}),
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
