// The real version query: GetVersionEx.
#pragma once

#include "platform/os_version.h"

namespace orvane {

class Win32OsVersion : public OsVersion {
  public:
    bool QueryVersion(OsVersionInfo* info) override;
};

}  // namespace orvane
