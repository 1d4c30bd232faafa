// The native build's adapter table, from the interface list.
#pragma once

#include "platform/adapter_table.h"

namespace orvane {

class PosixAdapterTable : public AdapterTable {
  public:
    bool ListIpv4Subnets(std::vector<Ipv4Subnet>* subnets) override;
};

}  // namespace orvane
