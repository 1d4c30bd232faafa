// The real name lookups through Windows Sockets (the caller has started
// Windows Sockets): every address of a name through GetAddrInfoExW, which
// Windows 8 and later can run asynchronously and stop at a time limit;
// before that through GetAddrInfoW on a worker thread. Address to name
// through gethostbyaddr.
#pragma once

#include "platform/name_lookup.h"

namespace orvane {

class Win32NameLookup : public NameLookup {
  public:
    // On failure the thread's last-error value holds the Winsock code
    // (10060 when the time ran out).
    bool LookUpAddresses(const std::string& host_name, int limit_ms,
                         std::vector<net::SocketAddress>* addresses) override;
    bool LookUpHostName(std::uint32_t address, std::string* host_name) override;
};

}  // namespace orvane
