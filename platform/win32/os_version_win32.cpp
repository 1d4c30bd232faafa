#include "platform/win32/os_version_win32.h"

#include <windows.h>

namespace orvane {

bool Win32OsVersion::QueryVersion(OsVersionInfo* info) {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version))
        return false;
    info->platform_id = static_cast<int>(version.dwPlatformId);
    info->major = static_cast<int>(version.dwMajorVersion);
    info->minor = static_cast<int>(version.dwMinorVersion);
    info->build = static_cast<int>(version.dwBuildNumber);
    return true;
}

}  // namespace orvane
