// Name lookups from a table, for unit tests; counts every lookup asked for.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/name_lookup.h"

namespace orvane {

class FakeNameLookup : public NameLookup {
  public:
    bool LookUpAddresses(const std::string& host_name, int limit_ms,
                         std::vector<net::SocketAddress>* addresses) override;
    bool LookUpHostName(std::uint32_t address, std::string* host_name) override;

    // Test controls; addresses in network byte order.
    // Adds an address to the name's list (a lookup gives them in order).
    void AddHost(const std::string& host_name, std::uint32_t address);
    void AddHost(const std::string& host_name, const net::SocketAddress& address);
    void ForgetHost(const std::string& host_name);
    void AddReverse(std::uint32_t address, const std::string& host_name);

    std::vector<std::string> forward_lookups() const;
    std::vector<std::uint32_t> reverse_lookups() const;

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::vector<net::SocketAddress>> hosts_;
    std::map<std::uint32_t, std::string> names_;
    std::vector<std::string> forward_lookups_;
    std::vector<std::uint32_t> reverse_lookups_;
};

}  // namespace orvane
