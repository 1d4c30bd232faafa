// The real IPv4 name lookups through Windows Sockets 1.1 (the caller has
// started Windows Sockets).
#pragma once

#include "platform/name_lookup.h"

namespace orvane {

class Win32NameLookup : public NameLookup {
  public:
    bool LookUpAddress(const std::string& host_name, std::uint32_t* address) override;
    bool LookUpHostName(std::uint32_t address, std::string* host_name) override;
};

}  // namespace orvane
