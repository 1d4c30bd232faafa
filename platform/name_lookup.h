// IPv4 host-name lookups, as gethostbyname and gethostbyaddr give them. The
// program installs the real lookups at start; unit tests install a fake.
// With nothing installed every lookup fails.
#pragma once

#include <atomic>
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

namespace name_lookup_detail {
inline std::atomic<NameLookup*>& Installed() {
    static std::atomic<NameLookup*> installed{nullptr};
    return installed;
}
}  // namespace name_lookup_detail

inline void UseNameLookup(NameLookup* lookup) {
    name_lookup_detail::Installed().store(lookup);
}
// Null while nothing is installed.
inline NameLookup* TheNameLookup() {
    return name_lookup_detail::Installed().load();
}

}  // namespace orvane
