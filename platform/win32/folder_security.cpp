#include "platform/win32/folder_security.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <cstring>
#include <memory>

#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

struct Grant {
    WELL_KNOWN_SID_TYPE who;
    DWORD access;
};

constexpr Grant kGrants[] = {
    {WinLocalSystemSid, FILE_ALL_ACCESS},
    {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
    {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE},
};
constexpr BYTE kInheritedByAllInside = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;

}  // namespace

std::vector<unsigned char> ProgramFilesLikeDacl() {
    BYTE sids[3][SECURITY_MAX_SID_SIZE];
    DWORD size = sizeof(ACL);
    for (int i = 0; i < 3; ++i) {
        DWORD sid_size = SECURITY_MAX_SID_SIZE;
        if (!CreateWellKnownSid(kGrants[i].who, nullptr, sids[i], &sid_size))
            return {};
        size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sids[i]);
    }
    size = (size + 3) & ~3u;
    std::vector<unsigned char> dacl(size);
    auto* acl = reinterpret_cast<ACL*>(dacl.data());
    if (!InitializeAcl(acl, size, ACL_REVISION))
        return {};
    for (int i = 0; i < 3; ++i) {
        if (!AddAccessAllowedAceEx(acl, ACL_REVISION, kInheritedByAllInside, kGrants[i].access,
                                   sids[i])) {
            return {};
        }
    }
    return dacl;
}

int ProtectLikeProgramFiles(const std::string& folder) {
    std::vector<unsigned char> dacl = ProgramFilesLikeDacl();
    if (dacl.empty())
        return static_cast<int>(GetLastError());
    std::wstring path = Widen(folder);
    return static_cast<int>(
        SetNamedSecurityInfoW(&path[0], SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, reinterpret_cast<ACL*>(dacl.data()), nullptr));
}

namespace {

// What a null DACL grants: everything, to everyone.
constexpr char kEveryoneSid[] = "S-1-1-0";

// "S-1-5-32-544"; empty when the SID cannot be put into text.
std::string SidText(PSID sid) {
    if (sid == nullptr)
        return std::string();
    LPWSTR text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text))
        return std::string();
    std::string narrow;
    for (const wchar_t* c = text; *c != L'\0'; ++c)
        narrow.push_back(static_cast<char>(*c));  // digits, 'S' and '-' only
    LocalFree(text);
    return narrow;
}

struct LocalFreer {
    void operator()(void* memory) const { LocalFree(memory); }
};

bool VolumeKeepsAccessLists(const std::wstring& folder, bool* keeps) {
    wchar_t volume[MAX_PATH + 1] = {};
    if (!GetVolumePathNameW(folder.c_str(), volume, MAX_PATH))
        return false;
    DWORD flags = 0;
    if (!GetVolumeInformationW(volume, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0))
        return false;
    *keeps = (flags & FS_PERSISTENT_ACLS) != 0;
    return true;
}

// One entry of the list. Entries with the SID right after the mask are
// read as they are; any other kind (object entries, which files do not
// carry) is taken as allowing its rights to everyone, so that an entry not
// understood can only refuse the folder.
FolderAccessEntry EntryOf(const ACE_HEADER* header) {
    FolderAccessEntry entry;
    entry.inherit_only = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
    const auto* plain = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
    entry.mask = plain->Mask;
    switch (header->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
            entry.sid = SidText(const_cast<DWORD*>(&plain->SidStart));
            break;
        case ACCESS_DENIED_ACE_TYPE:
        case ACCESS_DENIED_CALLBACK_ACE_TYPE:
            entry.allow = false;
            entry.sid = SidText(const_cast<DWORD*>(&plain->SidStart));
            break;
        default:
            entry.sid = kEveryoneSid;
            break;
    }
    return entry;
}

}  // namespace

bool ReadFolderAccess(const std::string& folder, FolderAccess* access) {
    const std::wstring path = Widen(folder);
    *access = FolderAccess();
    if (!VolumeKeepsAccessLists(path, &access->persistent_acls))
        return false;
    PSID owner = nullptr;
    ACL* dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT,
                              OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, &owner,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    std::unique_ptr<void, LocalFreer> held(descriptor);
    access->owner = SidText(owner);
    if (dacl == nullptr) {
        access->entries.push_back({true, kEveryoneSid, GENERIC_ALL, false});
        return true;
    }
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
        void* ace = nullptr;
        if (!GetAce(dacl, i, &ace))
            return false;
        access->entries.push_back(EntryOf(static_cast<const ACE_HEADER*>(ace)));
    }
    return true;
}

namespace {

// The token's information of that class; empty when it cannot be read.
std::vector<BYTE> TokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS what) {
    DWORD size = 0;
    GetTokenInformation(token, what, nullptr, 0, &size);
    if (size == 0)
        return {};
    std::vector<BYTE> buffer(size);
    if (!GetTokenInformation(token, what, buffer.data(), size, &size))
        return {};
    return buffer;
}

}  // namespace

std::vector<std::string> OwnTokenSids() {
    std::vector<std::string> sids;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return sids;
    const std::vector<BYTE> user = TokenInformation(token, TokenUser);
    if (!user.empty())
        sids.push_back(SidText(reinterpret_cast<const TOKEN_USER*>(user.data())->User.Sid));
    const std::vector<BYTE> groups_buffer = TokenInformation(token, TokenGroups);
    if (!groups_buffer.empty()) {
        const auto* groups = reinterpret_cast<const TOKEN_GROUPS*>(groups_buffer.data());
        for (DWORD i = 0; i < groups->GroupCount; ++i) {
            const DWORD attributes = groups->Groups[i].Attributes;
            if ((attributes & SE_GROUP_ENABLED) != 0 &&
                (attributes & SE_GROUP_USE_FOR_DENY_ONLY) == 0 &&
                (attributes & SE_GROUP_OWNER) != 0) {
                sids.push_back(SidText(groups->Groups[i].Sid));
            }
        }
    }
    CloseHandle(token);
    // A SID that could not be put into text must not match an owner that
    // could not either.
    std::vector<std::string> named;
    for (const std::string& sid : sids) {
        if (!sid.empty())
            named.push_back(sid);
    }
    return named;
}

}  // namespace orvane
