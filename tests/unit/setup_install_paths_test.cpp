#include "setup/install_paths.h"

#include <string>

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(SetupSourceFolderTest, IsTheFolderOfTheProgramFile) {
    EXPECT_EQ(SourceFolderFromModulePath("C:\\Downloads\\Orvane 1.72\\Setup.exe"),
              "C:\\Downloads\\Orvane 1.72");
    EXPECT_EQ(SourceFolderFromModulePath("\\\\server\\share\\Setup.exe"), "\\\\server\\share");
}

TEST(SetupSourceFolderTest, ADriveRootKeepsItsBackslash) {
    EXPECT_EQ(SourceFolderFromModulePath("E:\\Setup.exe"), "E:\\");
}

TEST(SetupSourceFolderTest, ARenamedProgramFileStillGivesItsFolder) {
    EXPECT_EQ(SourceFolderFromModulePath("C:\\dl\\Setup (2).exe"), "C:\\dl");
    EXPECT_EQ(SourceFolderFromModulePath("C:\\dl\\x.exe"), "C:\\dl");
}

TEST(SetupFolderComparisonTest, IgnoresLetterCase) {
    EXPECT_TRUE(
        IsSameFolder("C:\\Program Files\\Pellmoor\\Orvane", "c:\\PROGRAM FILES\\pellmoor\\orvane"));
    EXPECT_FALSE(IsSameFolder("C:\\Program Files\\Pellmoor\\Orvane", "C:\\Orvane"));
    EXPECT_FALSE(IsSameFolder("C:\\Orvane", "C:\\Orvane2"));
}

TEST(SetupBrowseTest, TheDefaultFolderStartsTheBrowserInItsParentInLowerCase) {
    EXPECT_EQ(BrowseStartFolder(kDefaultSetupInstallFolder), "c:\\program files\\pellmoor");
}

TEST(SetupBrowseTest, AFolderWithoutTheProductPartStartsThereInLowerCase) {
    EXPECT_EQ(BrowseStartFolder("D:\\Apps\\Clock"), "d:\\apps\\clock");
    EXPECT_EQ(BrowseStartFolder(""), "");
}

TEST(SetupBrowseTest, OnlyALastProductPartIsCut) {
    EXPECT_EQ(BrowseStartFolder("C:\\ORVANE"), "c:");
    EXPECT_EQ(BrowseStartFolder("C:\\Orvane\\Data"), "c:\\orvane\\data");
    EXPECT_EQ(BrowseStartFolder("C:\\Tools\\Orvanes"), "c:\\tools\\orvanes");
}

TEST(SetupBrowseTest, AChosenFolderGetsTheProductFolderAppended) {
    EXPECT_EQ(InstallFolderForChosenFolder("D:\\Apps"), "D:\\Apps\\Orvane");
}

TEST(SetupBrowseTest, AChosenDriveRootIsFollowedDirectlyByTheProductFolder) {
    EXPECT_EQ(InstallFolderForChosenFolder("E:\\"), "E:\\Orvane");
}

TEST(SetupCopyStepsTest, FourFilesInOrderWithTheirProgressPositions) {
    ASSERT_EQ(sizeof kInstalledFiles / sizeof kInstalledFiles[0], 4u);
    EXPECT_STREQ(kInstalledFiles[0].name, "Orvane Event Log Interface.dll");
    EXPECT_EQ(kInstalledFiles[0].progress, 10);
    EXPECT_STREQ(kInstalledFiles[1].name, "Orvane.exe");
    EXPECT_EQ(kInstalledFiles[1].progress, 20);
    EXPECT_STREQ(kInstalledFiles[2].name, "Orvane.hlp");
    EXPECT_EQ(kInstalledFiles[2].progress, 30);
    EXPECT_STREQ(kInstalledFiles[3].name, "Uninstall.exe");
    EXPECT_EQ(kInstalledFiles[3].progress, 50);
}

TEST(SetupCopyStepsTest, PathsAndTheFailureMessage) {
    EXPECT_EQ(PathInFolder("C:\\A", "Orvane.exe"), "C:\\A\\Orvane.exe");
    EXPECT_EQ(
        CopyFailureMessage("C:\\S\\Orvane.exe", "C:\\F\\Orvane.exe", "Access is denied.\r\n"),
        "Unable to copy \"C:\\S\\Orvane.exe\" to \"C:\\F\\Orvane.exe\".\nAccess is denied.\r\n");
}

}  // namespace
}  // namespace orvane
