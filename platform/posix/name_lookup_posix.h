// The native build's name lookups, through the system resolver.
#pragma once

#include "platform/name_lookup.h"

namespace orvane {

class PosixNameLookup : public NameLookup {
  public:
    bool LookUpAddresses(const std::string& host_name, int limit_ms,
                         std::vector<net::SocketAddress>* addresses) override;
    bool LookUpHostName(std::uint32_t address, std::string* host_name) override;
};

}  // namespace orvane
