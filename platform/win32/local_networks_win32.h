// The real interface list (the IP helper's address table).
#pragma once

#include "platform/local_networks.h"

namespace orvane {

class Win32LocalNetworks : public LocalNetworks {
  public:
    int ListInterfaces(std::vector<LocalInterface>* interfaces) override;
};

}  // namespace orvane
