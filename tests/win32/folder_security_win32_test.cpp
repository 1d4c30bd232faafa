#include "platform/win32/folder_security.h"

#include "setup/folder_permissions.h"

#include <winsock2.h>
#include <windows.h>
#include <aclapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace orvane {
namespace {

struct ExpectedAce {
    WELL_KNOWN_SID_TYPE who;
    DWORD access;
};

const ExpectedAce kExpected[] = {
    {WinLocalSystemSid, FILE_ALL_ACCESS},
    {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
    {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
};

// Every entry allows, is handed down to folders and files inside, and
// names the expected group with its rights, in order. `inherited`: the
// entries as a file inside gets them.
void ExpectProgramFilesEntries(const ACL* acl, bool inherited) {
    ASSERT_NE(acl, nullptr);
    ASSERT_EQ(acl->AceCount, 3);
    for (DWORD i = 0; i < 3; ++i) {
        void* entry = nullptr;
        ASSERT_TRUE(GetAce(const_cast<ACL*>(acl), i, &entry));
        const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE) << i;
        if (inherited) {
            EXPECT_NE(ace->Header.AceFlags & INHERITED_ACE, 0) << i;
        } else {
            EXPECT_EQ(ace->Header.AceFlags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << i;
        }
        EXPECT_EQ(ace->Mask, kExpected[i].access) << i;
        BYTE sid[SECURITY_MAX_SID_SIZE];
        DWORD size = sizeof sid;
        ASSERT_TRUE(CreateWellKnownSid(kExpected[i].who, nullptr, sid, &size));
        EXPECT_TRUE(EqualSid(const_cast<DWORD*>(&ace->SidStart), sid)) << i;
    }
}

TEST(Win32FolderSecurityTest, TheListGrantsWhatProgramFilesGrants) {
    const std::vector<unsigned char> dacl = ProgramFilesLikeDacl();
    ASSERT_FALSE(dacl.empty());
    EXPECT_TRUE(IsValidAcl(reinterpret_cast<ACL*>(const_cast<unsigned char*>(dacl.data()))));
    ExpectProgramFilesEntries(reinterpret_cast<const ACL*>(dacl.data()), false);
}

// Wine keeps no access lists on files: it maps them to the Unix mode bits
// and reads back a list made from those.
bool RunsUnderWine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(Win32FolderSecurityTest, AProtectedFolderReadsBackProtectedWithOnlyThatList) {
    if (RunsUnderWine())
        GTEST_SKIP() << "Wine keeps no access lists on files";
    char temp[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
    const std::string folder = std::string(temp) + "orvane_protect_" +
                               std::to_string(GetCurrentProcessId()) + "_" +
                               std::to_string(GetTickCount());
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_EQ(ProtectLikeProgramFiles(folder), 0);

    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ACL* dacl = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoA(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &dacl, nullptr, &descriptor),
              ERROR_SUCCESS);
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_NE(control & SE_DACL_PROTECTED, 0);
    ExpectProgramFilesEntries(dacl, false);
    LocalFree(descriptor);

    // A file made inside afterwards gets the same entries, inherited.
    const std::string file = folder + "\\inside.txt";
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    CloseHandle(handle);
    descriptor = nullptr;
    dacl = nullptr;
    ASSERT_EQ(GetNamedSecurityInfoA(file.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, &dacl, nullptr, &descriptor),
              ERROR_SUCCESS);
    ExpectProgramFilesEntries(dacl, true);
    LocalFree(descriptor);

    DeleteFileA(file.c_str());
    RemoveDirectoryA(folder.c_str());
}

std::string NewTempFolder(const char* name) {
    char temp[MAX_PATH];
    if (GetTempPathA(MAX_PATH, temp) == 0)
        return std::string();
    const std::string folder = std::string(temp) + name + std::to_string(GetCurrentProcessId()) +
                               "_" + std::to_string(GetTickCount());
    return CreateDirectoryA(folder.c_str(), nullptr) ? folder : std::string();
}

// What the rule sees of real folders: one this process makes and protects
// is its own (its owner among the process's SIDs) and passes; one open to
// everyone (no access list at all; Wine turns that into mode 777) is
// refused. Wine reports access lists made from the Unix mode bits.
TEST(Win32FolderSecurityTest, TheRuleReadsRealFolders) {
    const std::vector<std::string> own = OwnTokenSids();
    ASSERT_FALSE(own.empty());
    for (const std::string& sid : own)
        EXPECT_EQ(sid.rfind("S-1-", 0), 0u) << sid;

    const std::string folder = NewTempFolder("orvane_rule_");
    ASSERT_FALSE(folder.empty());
    ASSERT_EQ(ProtectLikeProgramFiles(folder), 0);
    FolderAccess access;
    ASSERT_TRUE(ReadFolderAccess(folder, &access));
    EXPECT_TRUE(access.persistent_acls);
    EXPECT_NE(std::find(own.begin(), own.end(), access.owner), own.end()) << access.owner;
    EXPECT_FALSE(NonAdministratorsCanChange(access, FolderRole::kInstallFolder, own));

    std::vector<char> path(folder.begin(), folder.end());
    path.push_back('\0');
    ASSERT_EQ(SetNamedSecurityInfoA(path.data(), SE_FILE_OBJECT,
                                    DACL_SECURITY_INFORMATION |
                                        UNPROTECTED_DACL_SECURITY_INFORMATION,
                                    nullptr, nullptr, nullptr, nullptr),
              static_cast<DWORD>(ERROR_SUCCESS));
    ASSERT_TRUE(ReadFolderAccess(folder, &access));
    bool everyone_deletes = false;
    for (const FolderAccessEntry& entry : access.entries) {
        everyone_deletes |= entry.allow && entry.sid == "S-1-1-0" &&
                            (entry.mask & (GENERIC_ALL | DELETE)) != 0;
    }
    EXPECT_TRUE(everyone_deletes);
    EXPECT_TRUE(NonAdministratorsCanChange(access, FolderRole::kAbove, own));
    RemoveDirectoryA(folder.c_str());

    EXPECT_FALSE(ReadFolderAccess(folder, &access));
}

}  // namespace
}  // namespace orvane
