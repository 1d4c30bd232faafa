#include "support/fake_os_version.h"

namespace orvane {

bool FakeOsVersion::QueryVersion(OsVersionInfo* out) {
    if (!answers)
        return false;
    *out = info;
    return true;
}

}  // namespace orvane
