// The machine's own IPv4 interfaces, for deciding whether a sender sits on
// a directly connected subnet. The programs install the real list at start;
// unit tests install a fake.
#pragma once

#include "platform/interface_slot.h"

#include <cstdint>
#include <vector>

namespace orvane {

// Address and mask in network byte order.
struct LocalInterface {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;
};

class LocalNetworks {
  public:
    virtual ~LocalNetworks() = default;
    // 0 with the interfaces, else a Windows error code.
    virtual int ListInterfaces(std::vector<LocalInterface>* interfaces) = 0;
};

inline InterfaceSlot<LocalNetworks> installed_local_networks{"local network list"};
inline void UseLocalNetworks(LocalNetworks* implementation) {
    installed_local_networks.Install(implementation);
}
inline LocalNetworks& TheLocalNetworks() {
    return installed_local_networks.Get();
}

}  // namespace orvane
