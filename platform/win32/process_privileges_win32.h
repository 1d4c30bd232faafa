// The real process token query.
#pragma once

#include "platform/process_privileges.h"

namespace orvane {

class Win32ProcessPrivileges : public ProcessPrivileges {
  public:
    bool HoldsSystemtimePrivilege() override;
};

}  // namespace orvane
