// IPv4 host-name lookups, as gethostbyname and gethostbyaddr give them. The
// program installs the real lookups at start; unit tests install a fake.
// With nothing installed every lookup fails.
#pragma once

#include "platform/interface_slot.h"

#include <cstdint>
#include <string>

namespace orvane {

class NameLookup {
  public:
    virtual ~NameLookup() = default;
    // The host's first IPv4 address, in network byte order (at most four
    // address bytes are taken). False when the name cannot be resolved.
    virtual bool LookUpAddress(const std::string& host_name, std::uint32_t* address) = 0;
    // The host name of an IPv4 address given in network byte order. False
    // when the address has no name.
    virtual bool LookUpHostName(std::uint32_t address, std::string* host_name) = 0;
};

inline InterfaceSlot<NameLookup> installed_name_lookup{"name lookup"};
inline void UseNameLookup(NameLookup* implementation) {
    installed_name_lookup.Install(implementation);
}
inline NameLookup& TheNameLookup() {
    return installed_name_lookup.Get();
}

}  // namespace orvane
