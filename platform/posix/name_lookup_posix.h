// The native build's IPv4 name lookups, through the system resolver.
#pragma once

#include "platform/name_lookup.h"

namespace orvane {

class PosixNameLookup : public NameLookup {
  public:
    bool LookUpAddress(const std::string& host_name, std::uint32_t* address) override;
    bool LookUpHostName(std::uint32_t address, std::string* host_name) override;
};

}  // namespace orvane
