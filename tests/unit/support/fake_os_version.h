// A version query that answers what the test set, or fails.
#pragma once

#include "platform/os_version.h"

namespace orvane {

class FakeOsVersion : public OsVersion {
  public:
    bool QueryVersion(OsVersionInfo* info) override;

    bool answers = true;
    OsVersionInfo info;
};

}  // namespace orvane
