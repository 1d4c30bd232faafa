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

class UninstallRemovalRulesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        os_.info.platform_id = kPlatformWin32Nt;
        os_.info.major = 5;
        os_.info.minor = 1;
        UseOsVersion(&os_);
        UseUninstallSystem(&system_);
    }
    void TearDown() override {
        UseUninstallSystem(nullptr);
        UseOsVersion(nullptr);
    }

    std::string Wininit() { return system_.text_files[kWininitPath]; }

    FakeOsVersion os_;
    FakeUninstallSystem system_;
};

// --- NT family: delete now, and always ask for deletion at the restart.

TEST_F(UninstallRemovalRulesTest, NtDeletesTheFileAndStillSchedulesItsDeletion) {
    system_.files.insert(kExe);
    RemoveFileByRule(kExe);
    EXPECT_EQ(system_.transcript(), (Lines{"delete file " + kExe, "delete at restart " + kExe}));
    EXPECT_EQ(system_.files.count(kExe), 0u);
    EXPECT_TRUE(system_.text_files.empty());
}

TEST_F(UninstallRemovalRulesTest, NtSchedulesAFileInUse) {
    system_.files.insert(kExe);
    system_.in_use.insert(kExe);
    RemoveFileByRule(kExe);
    EXPECT_EQ(system_.transcript(), (Lines{"delete file " + kExe, "delete at restart " + kExe}));
}

TEST_F(UninstallRemovalRulesTest, NtSchedulesAFileAlreadyGone) {
    RemoveFileByRule(kExe);
    EXPECT_EQ(system_.transcript(), (Lines{"delete file " + kExe, "delete at restart " + kExe}));
}

TEST_F(UninstallRemovalRulesTest, NtRemovesFoldersWithTheFolderCallAndSchedulesThem) {
    system_.folders.insert(kFolder);
    system_.not_empty.insert(kFolder);
    RemoveFolderByRule(kFolder);
    EXPECT_EQ(system_.transcript(),
              (Lines{"remove folder " + kFolder, "delete at restart " + kFolder}));
    EXPECT_TRUE(system_.text_files.empty());
}

// --- Windows 95/98/ME: "wininit.ini" instead of the pending deletions.

TEST_F(UninstallRemovalRulesTest, OldWindowsFileInUseGetsASectionAndItsShortPath) {
    os_.info.platform_id = kPlatformWin32Windows;
    system_.files.insert(kExe);
    system_.in_use.insert(kExe);
    RemoveFileByRule(kExe);
    EXPECT_EQ(Wininit(), "[rename]\nNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\\ORVANE.EXE\n");
    EXPECT_EQ(system_.transcript(), (Lines{"delete file " + kExe}));  // no pending deletion
}

TEST_F(UninstallRemovalRulesTest, OldWindowsFileAlreadyGoneStillAddsASectionButNoEntry) {
    os_.info.platform_id = kPlatformWin32Windows;
    RemoveFileByRule(kExe);
    EXPECT_EQ(Wininit(), "[rename]\n");
}

TEST_F(UninstallRemovalRulesTest, OldWindowsFileDeletedNowHasNoEntry) {
    os_.info.platform_id = kPlatformWin32Windows;
    system_.files.insert(kExe);
    RemoveFileByRule(kExe);
    EXPECT_EQ(Wininit(), "[rename]\n");
}

TEST_F(UninstallRemovalRulesTest, OldWindowsWritesASectionOnEveryCall) {
    os_.info.platform_id = kPlatformWin32Windows;
    const std::string hlp = kFolder + "\\Orvane.hlp";
    system_.files = {kExe, hlp};
    system_.in_use = {kExe, hlp};
    RemoveFileByRule(kExe);
    RemoveFileByRule(kFolder + "\\gone.dll");
    RemoveFileByRule(hlp);
    EXPECT_EQ(Wininit(),
              "[rename]\nNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\\ORVANE.EXE\n"
              "[rename]\n"
              "[rename]\nNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\\ORVANE.HLP\n");
}

TEST_F(UninstallRemovalRulesTest, OldWindowsFolderNotEmptyGetsADirnulEntry) {
    os_.info.platform_id = kPlatformWin32Windows;
    system_.folders.insert(kFolder);
    system_.not_empty.insert(kFolder);
    RemoveFolderByRule(kFolder);
    EXPECT_EQ(Wininit(), "[rename]\nDIRNUL=C:\\PROGRAM FILES\\PELLMOOR\\ORVANE\n");
    EXPECT_EQ(system_.transcript(), (Lines{"remove folder " + kFolder}));
}

TEST_F(UninstallRemovalRulesTest, OldWindowsFolderRemovedNowHasNoEntry) {
    os_.info.platform_id = kPlatformWin32Windows;
    system_.folders.insert(kFolder);
    RemoveFolderByRule(kFolder);
    EXPECT_EQ(Wininit(), "[rename]\n");
}

TEST_F(UninstallRemovalRulesTest, OldWindowsWithoutAWritableWininitStillDeletes) {
    os_.info.platform_id = kPlatformWin32Windows;
    system_.files.insert(kExe);
    system_.unopenable.insert(kWininitPath);
    RemoveFileByRule(kExe);
    EXPECT_EQ(system_.files.count(kExe), 0u);
    EXPECT_TRUE(system_.text_files.empty());
}

}  // namespace
}  // namespace orvane
