#include "setup/install_paths.h"

#include <string>
#include <utility>
#include <vector>

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

TEST(SetupInstallFolderTest, OnlyCompletePathsAreTaken) {
    const std::pair<const char*, bool> cases[] = {
        {"C:\\Program Files\\Pellmoor\\Orvane", true},
        {"d:\\Orvane", true},
        {"\\\\server\\share\\Orvane", true},
        {"Orvane", false},
        {"Pellmoor\\Orvane", false},
        {"\\Orvane", false},
        {"C:Orvane", false},
        {"C:\\", false},
        {"C:\\\\Orvane", false},
        {"1:\\Orvane", false},
        {"\\\\server\\share", false},
        {"\\\\server", false},
        {"\\\\\\share\\Orvane", false},
        {"", false},
    };
    for (const auto& [text, complete] : cases)
        EXPECT_EQ(IsCompleteFolderPath(text), complete) << text;
}

TEST(SetupInstallFolderTest, ClosingBackslashesGo) {
    EXPECT_EQ(InstallFolderFromText("C:\\Dist\\"), "C:\\Dist");
    EXPECT_EQ(InstallFolderFromText("C:\\Dist\\\\"), "C:\\Dist");
    EXPECT_EQ(InstallFolderFromText("C:\\Dist"), "C:\\Dist");
}

TEST(SetupInstallFolderTest, TheChainRunsFromTheOutermostFolderToThePath) {
    using Chain = std::vector<std::string>;
    EXPECT_EQ(FolderChain("D:\\A\\B\\C"), (Chain{"D:\\A", "D:\\A\\B", "D:\\A\\B\\C"}));
    EXPECT_EQ(FolderChain("\\\\srv\\share\\A\\B"),
              (Chain{"\\\\srv\\share\\A", "\\\\srv\\share\\A\\B"}));
    EXPECT_EQ(FolderChain("Orvane"), Chain{});
}

TEST(SetupInstallFolderTest, MissingFoldersStartAtTheFirstThatIsNotThere) {
    using Chain = std::vector<std::string>;
    const auto exists = [](const std::string& folder) {
        return folder == "D:\\A" || folder == "C:\\Program Files";
    };
    EXPECT_EQ(MissingFolders("D:\\A\\B\\C", exists), (Chain{"D:\\A\\B", "D:\\A\\B\\C"}));
    EXPECT_EQ(MissingFolders("E:\\X", exists), (Chain{"E:\\X"}));
    EXPECT_EQ(MissingFolders("D:\\A", exists), Chain{});
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
    EXPECT_EQ(QuotedPath("C:\\Program Files\\U.exe"), "\"C:\\Program Files\\U.exe\"");
    EXPECT_EQ(
        CopyFailureMessage("C:\\S\\Orvane.exe", "C:\\F\\Orvane.exe", "Access is denied.\r\n"),
        "Unable to copy \"C:\\S\\Orvane.exe\" to \"C:\\F\\Orvane.exe\".\nAccess is denied.\r\n");
}

}  // namespace
}  // namespace orvane
