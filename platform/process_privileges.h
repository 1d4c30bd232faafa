// What the process token holds, as the choice of clock-setting path and the
// time service's status answer need it. The programs install the real
// token query at start; unit tests install a fake token.
#pragma once

#include "platform/interface_slot.h"

namespace orvane {

class ProcessPrivileges {
  public:
    virtual ~ProcessPrivileges() = default;
    // Whether the token holds SeSystemtimePrivilege, enabled or not: a
    // held privilege can be enabled for the moment of a clock set.
    virtual bool HoldsSystemtimePrivilege() = 0;
};

inline InterfaceSlot<ProcessPrivileges> installed_process_privileges{"process privileges"};
inline void UseProcessPrivileges(ProcessPrivileges* implementation) {
    installed_process_privileges.Install(implementation);
}
inline ProcessPrivileges& TheProcessPrivileges() {
    return installed_process_privileges.Get();
}

}  // namespace orvane
