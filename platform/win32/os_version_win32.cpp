#include "platform/win32/os_version_win32.h"

#include <windows.h>

namespace orvane {

bool Win32OsVersion::QueryVersion(OsVersionInfo* info) {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExW(&version))
        return false;
    info->platform_id = static_cast<int>(version.dwPlatformId);
    info->major = static_cast<int>(version.dwMajorVersion);
    info->minor = static_cast<int>(version.dwMinorVersion);
    info->build = static_cast<int>(version.dwBuildNumber);
    return true;
}

}  // namespace orvane
