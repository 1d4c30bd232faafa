#include "platform/win32/process_privileges_win32.h"

#include <windows.h>

#include <vector>

namespace orvane {

bool Win32ProcessPrivileges::HoldsSystemtimePrivilege() {
    LUID wanted = {};
    if (!LookupPrivilegeValueW(nullptr, L"SeSystemtimePrivilege", &wanted))
        return false;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenPrivileges, nullptr, 0, &size);
    bool held = false;
    if (size >= sizeof(TOKEN_PRIVILEGES)) {
        std::vector<unsigned char> buffer(size);
        if (GetTokenInformation(token, TokenPrivileges, buffer.data(), size, &size)) {
            const auto* privileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
            for (DWORD i = 0; i < privileges->PrivilegeCount; ++i) {
                const LUID& luid = privileges->Privileges[i].Luid;
                if (luid.LowPart == wanted.LowPart && luid.HighPart == wanted.HighPart) {
                    held = true;
                    break;
                }
            }
        }
    }
    CloseHandle(token);
    return held;
}

}  // namespace orvane
