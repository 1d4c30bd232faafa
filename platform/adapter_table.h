// The IPv4 addresses of this PC's network adapters with their subnet masks:
// the subnets it is directly connected to. The program installs the real
// table at start; unit tests install a fake.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/interface_slot.h"

namespace orvane {

// Both in network byte order.
struct Ipv4Subnet {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
};

class AdapterTable {
  public:
    virtual ~AdapterTable() = default;
    // Every adapter address with its mask; false when the OS cannot say.
    virtual bool ListIpv4Subnets(std::vector<Ipv4Subnet>* subnets) = 0;
};

inline InterfaceSlot<AdapterTable> installed_adapter_table{"adapter table"};
inline void UseAdapterTable(AdapterTable* implementation) {
    installed_adapter_table.Install(implementation);
}
inline AdapterTable& TheAdapterTable() {
    return installed_adapter_table.Get();
}

}  // namespace orvane
