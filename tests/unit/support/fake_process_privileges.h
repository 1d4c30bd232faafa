// A process token for unit tests: holds SeSystemtimePrivilege or not, and
// counts how often it was asked.
#pragma once

#include "platform/process_privileges.h"

namespace orvane {

class FakeProcessPrivileges : public ProcessPrivileges {
  public:
    bool HoldsSystemtimePrivilege() override {
        ++queries;
        return holds_systemtime;
    }

    bool holds_systemtime = false;
    int queries = 0;
};

}  // namespace orvane
