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

    // The outermost new folder is protected, unless Program Files hands
    // its protection down.
    const auto in_program_files = [](const std::string& folder) {
        return folder.rfind("C:\\Program Files\\", 0) == 0;
    };
    EXPECT_EQ(FolderToProtect("D:\\A\\B\\C", exists, in_program_files), "D:\\A\\B");
    EXPECT_EQ(FolderToProtect("C:\\Program Files\\P\\O", exists, in_program_files), "");
    EXPECT_EQ(FolderToProtect("D:\\A", exists, in_program_files), "");
}

// A folder whose protection failed is taken away again, so that choosing
// it once more does not find it there and install into it unprotected.
TEST(SetupInstallFolderTest, AFailedProtectionRemovesTheFolderAndMakesNothingMore) {
    for (const int protect_error : {0, 5}) {
        std::vector<std::string> calls;
        FolderMakingSteps os;
        os.exists = [](const std::string& folder) { return folder == "D:\\A"; };
        os.in_program_files = [](const std::string&) { return false; };
        os.make_tree = [&](const std::string& f) { return calls.push_back("make " + f), true; };
        os.protect = [&](const std::string& f) {
            return calls.push_back("protect " + f), protect_error;
        };
        os.remove = [&](const std::string& f) { calls.push_back("remove " + f); };

        const FolderProtectionFailure failure = MakeInstallFolder("D:\\A\\B\\C", os);
        EXPECT_EQ(failure.error, protect_error);
        const std::string last = protect_error ? "remove D:\\A\\B" : "make D:\\A\\B\\C";
        EXPECT_EQ(calls, (std::vector<std::string>{"make D:\\A\\B", "protect D:\\A\\B", last}));
    }
}

TEST(SetupBrowseTest, TheDefaultFolderStartsTheBrowserInItsParentInLowerCase) {
    EXPECT_EQ(BrowseStartFolder(kDefaultSetupInstallFolder), "c:\\program files\\pellmoor");
}

TEST(SetupBrowseTest, AFolderWithoutTheProductPartStartsThereInLowerCase) {
    EXPECT_EQ(BrowseStartFolder("D:\\Apps\\Clock"), "d:\\apps\\clock");
    EXPECT_EQ(BrowseStartFolder(""), "");
    // Only ASCII letters are lowered: UTF-8 bytes stay whole.
    EXPECT_EQ(BrowseStartFolder("D:\\ÎΩΜΈΓΑ\\Orvane"), "d:\\ÎΩΜΈΓΑ");
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

// The time service's program is copied last, and only where Windows runs
// the service.
TEST(SetupCopyStepsTest, FilesInOrderWithTheirProgressPositions) {
    const std::vector<std::pair<std::string, int>> every = {
        {"Orvane Event Log Interface.dll", 10},
        {"Orvane.exe", 20},
        {"Orvane.hlp", 30},
        {"Uninstall.exe", 50},
    };
    for (bool with_service : {false, true}) {
        std::vector<std::pair<std::string, int>> expected = every;
        if (with_service)
            expected.push_back({"OrvaneService.exe", 60});
        std::vector<std::pair<std::string, int>> files;
        for (const InstalledFile& file : FilesToInstall(with_service))
            files.push_back({file.name, file.progress});
        EXPECT_EQ(files, expected) << with_service;
    }
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
