#include "platform/win32/folder_security.h"

#include <windows.h>
#include <aclapi.h>

#include <cstring>

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
    std::vector<char> path(folder.begin(), folder.end());
    path.push_back('\0');
    return static_cast<int>(
        SetNamedSecurityInfoA(path.data(), SE_FILE_OBJECT,
                              DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
                              nullptr, nullptr, reinterpret_cast<ACL*>(dacl.data()), nullptr));
}

}  // namespace orvane
