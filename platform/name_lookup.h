// Host-name lookups: every address of a name (IPv4 and IPv6, as getaddrinfo
// gives them) within a time limit, and the name of an IPv4 address. The
// program installs the real lookups at start; unit tests install a fake.
// With nothing installed every lookup fails.
#pragma once

#include "platform/interface_slot.h"
#include "platform/sockets.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvane {

// How long a round waits for a server's name to be looked up.
constexpr int kNameLookupLimitMs = 5000;

class NameLookup {
  public:
    virtual ~NameLookup() = default;
    // Every IPv4 and IPv6 address of the host, in the system's order of
    // preference, without ports and without repeats. Gives up after
    // limit_ms (the caller stops waiting; a lookup that cannot be stopped
    // finishes on its own). False when nothing was found in time.
    virtual bool LookUpAddresses(const std::string& host_name, int limit_ms,
                                 std::vector<net::SocketAddress>* addresses) = 0;
    // The host name of an IPv4 address given in network byte order. False
    // when the address has no name.
    virtual bool LookUpHostName(std::uint32_t address, std::string* host_name) = 0;
};

// Runs `lookup` on a worker thread and waits for it at most limit_ms; the
// worker is left to finish on its own after that. For lookups the system
// cannot bound itself. False on time-out or when the lookup failed.
bool LookUpWithinLimit(const std::function<bool(std::vector<net::SocketAddress>*)>& lookup,
                       int limit_ms, std::vector<net::SocketAddress>* addresses);

inline InterfaceSlot<NameLookup> installed_name_lookup{"name lookup"};
inline void UseNameLookup(NameLookup* implementation) {
    installed_name_lookup.Install(implementation);
}
inline NameLookup& TheNameLookup() {
    return installed_name_lookup.Get();
}

}  // namespace orvane
