#include "platform/win32/installer_lock.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <initializer_list>

#include "platform/win32/wide_text.h"

namespace orvane {

namespace {

// Full access for SYSTEM and the administrators, nothing for anyone else,
// and no inherited entries.
constexpr wchar_t kLockSecurity[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

// Whether the SID is this process's user or the owner its own objects get.
bool IsOwnUserOrOwner(PSID sid) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    bool same = false;
    for (TOKEN_INFORMATION_CLASS kind : {TokenUser, TokenOwner}) {
        alignas(TOKEN_USER) BYTE buffer[SECURITY_MAX_SID_SIZE + sizeof(TOKEN_USER)] = {};
        DWORD size = 0;
        if (!GetTokenInformation(token, kind, buffer, sizeof buffer, &size))
            continue;
        PSID own = kind == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer)->User.Sid
                                     : reinterpret_cast<TOKEN_OWNER*>(buffer)->Owner;
        same = same || EqualSid(own, sid);
    }
    CloseHandle(token);
    return same;
}

// Objects an elevated administrator makes are owned by the Administrators
// group, SYSTEM's by SYSTEM; where policy makes the creator the owner, by
// the user; in any case by whoever owns this process's own objects.
bool OwnedByAnInstaller(HANDLE mutex) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetSecurityInfo(mutex, SE_KERNEL_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                        nullptr, nullptr, &descriptor) != ERROR_SUCCESS) {
        return false;
    }
    const bool installer =
        owner != nullptr && (IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
                             IsWellKnownSid(owner, WinLocalSystemSid) || IsOwnUserOrOwner(owner));
    LocalFree(descriptor);
    return installer;
}

}  // namespace

InstallerLock TakeInstallerLock(const char* name) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kLockSecurity, SDDL_REVISION_1,
                                                              &descriptor, nullptr)) {
        return InstallerLock::kUnavailable;
    }
    SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
    HANDLE mutex = CreateMutexW(&attributes, TRUE, Widen(name).c_str());
    const DWORD error = GetLastError();
    LocalFree(descriptor);
    // ERROR_ACCESS_DENIED: made by someone who shut the administrators out.
    if (mutex == nullptr)
        return InstallerLock::kUnavailable;
    if (error != ERROR_ALREADY_EXISTS)
        return InstallerLock::kTaken;  // made, and owned, by this process
    // It was there: an installer that is ending may have let it go already.
    const DWORD wait = WaitForSingleObject(mutex, 0);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED)
        return InstallerLock::kTaken;
    const bool installer = OwnedByAnInstaller(mutex);
    CloseHandle(mutex);
    return installer ? InstallerLock::kHeldByAnother : InstallerLock::kUnavailable;
}

}  // namespace orvane
