#include "setup/folder_permissions.h"

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace orvane {
namespace {

constexpr char kEveryone[] = "S-1-1-0";
constexpr char kUsers[] = "S-1-5-32-545";
constexpr char kAuthenticatedUsers[] = "S-1-5-11";
constexpr char kCreatorOwner[] = "S-1-3-0";
constexpr char kSomeUser[] = "S-1-5-21-1-2-3-1001";
constexpr char kSetupUser[] = "S-1-5-21-1-2-3-500";
constexpr std::uint32_t kReadAndExecute = 0x001200A9;
constexpr std::uint32_t kModify = 0x001301BF;
constexpr std::uint32_t kFullControl = 0x001F01FF;

const std::string kRoot = "C:\\";
const std::string kProgramFiles = "C:\\Program Files";
const std::string kPellmoor = "C:\\Program Files\\Pellmoor";
const std::string kInstall = "C:\\Program Files\\Pellmoor\\Orvane";

// The folders as Windows 10 sets them up, Setup's folder made by an
// administrator.
std::map<std::string, FolderAccess> StandardFolders() {
    const FolderAccess admins_only = {true,
                                      kAdministratorsSid,
                                      {{true, kLocalSystemSid, kFullControl, false},
                                       {true, kAdministratorsSid, kFullControl, false},
                                       {true, kUsers, kReadAndExecute, false}}};
    FolderAccess root = admins_only;
    root.owner = kLocalSystemSid;
    root.entries.push_back({true, kAuthenticatedUsers, kFileAddSubdirectory, false});
    root.entries.push_back({true, kAuthenticatedUsers, kModify, true});
    const FolderAccess program_files = {true,
                                        kTrustedInstallerSid,
                                        {{true, kTrustedInstallerSid, kFullControl, false},
                                         {true, kLocalSystemSid, kModify, false},
                                         {true, kAdministratorsSid, kModify, false},
                                         {true, kUsers, kReadAndExecute, false},
                                         {true, kCreatorOwner, kGenericAll, true}}};
    return {{kRoot, root},
            {kProgramFiles, program_files},
            {kPellmoor, admins_only},
            {kInstall, admins_only}};
}

struct Case {
    const char* name;
    std::string folder;        // the one folder changed
    FolderAccessEntry added;   // no SID: nothing added
    std::string owner;         // empty: kept
    bool acls;                 // its volume keeps access lists
    bool install_exists;
    std::string refused;       // "": installs
};

TEST(SetupFolderPermissionsTest, FoldersThatUsersCanChangeAreRefused) {
    const Case cases[] = {
        {"standard folders", kInstall, {}, "", true, true, ""},
        {"Users may write", kInstall, {true, kUsers, 0x00120116, false}, "", true, true, kInstall},
        {"Users GENERIC_WRITE", kInstall, {true, kUsers, kGenericWrite, false}, "", true, true,
         kInstall},
        {"Everyone adds folders", kInstall, {true, kEveryone, kFileAddSubdirectory, false}, "",
         true, true, kInstall},
        {"above: adding is no change", kPellmoor, {true, kEveryone, kFileAddSubdirectory, false},
         "", true, true, ""},
        {"above: GENERIC_WRITE neither", kPellmoor, {true, kUsers, kGenericWrite, false}, "",
         true, true, ""},
        {"above: Authenticated Users delete", kProgramFiles,
         {true, kAuthenticatedUsers, kAccessDelete, false}, "", true, true, kProgramFiles},
        {"above: Users delete children", kPellmoor, {true, kUsers, kFileDeleteChild, false}, "",
         true, true, kPellmoor},
        {"above: Users change permissions", kRoot, {true, kUsers, kAccessWriteDac, false}, "",
         true, true, kRoot},
        {"above: Everyone GENERIC_ALL", kProgramFiles, {true, kEveryone, kGenericAll, false}, "",
         true, true, kProgramFiles},
        {"inherit-only entry", kInstall, {true, kUsers, kModify, true}, "", true, true, ""},
        {"deny entries change nothing", kInstall, {false, kUsers, kFullControl, false}, "", true,
         true, ""},
        {"owner no administrator", kInstall, {}, kSomeUser, true, true, kInstall},
        {"above: owner no administrator", kPellmoor, {}, kSomeUser, true, true, kPellmoor},
        {"TrustedInstaller full control", kInstall,
         {true, kTrustedInstallerSid, kGenericAll, false}, kTrustedInstallerSid, true, true, ""},
        {"Setup's own user", kInstall, {true, kSetupUser, kFullControl, false}, kSetupUser, true,
         true, ""},
        {"volume without access lists", kRoot, {}, "", false, true, kRoot},
        {"Domain Users may write", kInstall, {true, "S-1-5-21-1-2-3-513", kModify, false}, "",
         true, true, kInstall},
        {"new folder below one users may add to", kPellmoor,
         {true, kUsers, kFileAddFile | kFileAddSubdirectory, false}, "", true, false, ""},
        {"new folder below one users may empty", kPellmoor,
         {true, kUsers, kFileDeleteChild, false}, "", true, false, kPellmoor},
    };
    for (const Case& c : cases) {
        std::map<std::string, FolderAccess> folders = StandardFolders();
        FolderAccess& changed = folders[c.folder];
        if (!c.added.sid.empty())
            changed.entries.push_back(c.added);
        if (!c.owner.empty())
            changed.owner = c.owner;
        changed.persistent_acls = c.acls;
        if (!c.install_exists)
            folders.erase(kInstall);
        FolderSecuritySteps os;
        os.exists = [&](const std::string& folder) { return folders.count(folder) != 0; };
        os.read = [&](const std::string& folder, FolderAccess* access) {
            EXPECT_NE(folders.count(folder), 0u) << folder;
            *access = folders[folder];
            return true;
        };
        // Every token holds groups like these; they never make a user an
        // administrator.
        os.token_sids = {kSetupUser, kAdministratorsSid, kUsers, "S-1-5-21-1-2-3-513"};
        EXPECT_EQ(FirstChangeableFolder(kInstall, os), c.refused) << c.name;
    }
}

TEST(SetupFolderPermissionsTest, AFolderWhoseAccessCannotBeReadIsRefused) {
    FolderSecuritySteps os;
    os.exists = [](const std::string&) { return true; };
    os.read = [](const std::string& folder, FolderAccess* access) {
        access->owner = kAdministratorsSid;
        return folder != "D:\\A" && folder != "\\\\server\\share\\";
    };
    EXPECT_EQ(FirstChangeableFolder("D:\\A\\B", os), "D:\\A");
    EXPECT_EQ(FirstChangeableFolder("\\\\server\\share\\A", os), "\\\\server\\share\\");
}

TEST(SetupFolderPermissionsTest, TheBoxNamesTheFolderAndTheDefault) {
    EXPECT_EQ(ChangeableFolderText("D:\\Tools"),
              "The folder D:\\Tools can be changed by users who are not administrators.  Please "
              "choose another folder, such as C:\\Program Files\\Pellmoor\\Orvane.");
}

}  // namespace
}  // namespace orvane
