// What the operating system says about itself: its platform family and its
// version numbers, as GetVersionEx reports them. The program installs the
// real query at start; unit tests install a fake. With nothing installed
// the system counts as not answering.
#pragma once

#include "platform/interface_slot.h"

namespace orvane {

// The platform identifiers of the version query.
constexpr int kPlatformWin32Windows = 1;  // Windows 95, 98, ME
constexpr int kPlatformWin32Nt = 2;       // Windows NT, 2000 and later

struct OsVersionInfo {
    int platform_id = 0;
    int major = 0;
    int minor = 0;
    int build = 0;
};

class OsVersion {
  public:
    virtual ~OsVersion() = default;
    // False when the system does not answer.
    virtual bool QueryVersion(OsVersionInfo* info) = 0;
};

inline InterfaceSlot<OsVersion> installed_os_version{"OS version query"};
inline void UseOsVersion(OsVersion* implementation) {
    installed_os_version.Install(implementation);
}
inline OsVersion& TheOsVersion() {
    return installed_os_version.Get();
}

// True when the system answers that it is of the Windows NT platform, and
// also when it does not answer: every Windows the
// program runs on (x86_64) is NT.
inline bool IsNtPlatform() {
    OsVersionInfo info;
    if (!TheOsVersion().QueryVersion(&info))
        return true;
    return info.platform_id == kPlatformWin32Nt;
}

// 1 and the three numbers, or 0 (numbers untouched) when the system does
// not answer.
inline int GetOsVersion(int* major, int* minor, int* build) {
    OsVersionInfo info;
    if (!TheOsVersion().QueryVersion(&info))
        return 0;
    *major = info.major;
    *minor = info.minor;
    *build = info.build;
    return 1;
}

}  // namespace orvane
