// The adapter table from the IP helper's address table.
#pragma once

#include "platform/adapter_table.h"

namespace orvane {

class Win32AdapterTable : public AdapterTable {
  public:
    bool ListIpv4Subnets(std::vector<Ipv4Subnet>* subnets) override;
};

}  // namespace orvane
