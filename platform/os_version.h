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

// 1 on the Windows NT platform, else 0 (also when the query fails). The
// failure flag, when given, is 1 after a failed query and 0 otherwise.
inline int IsNtPlatform(int* failed = nullptr) {
    OsVersionInfo info;
    const bool answered = TheOsVersion().QueryVersion(&info);
    if (failed != nullptr)
        *failed = answered ? 0 : 1;
    return answered && info.platform_id == kPlatformWin32Nt ? 1 : 0;
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
