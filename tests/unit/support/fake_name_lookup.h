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
    bool LookUpAddress(const std::string& host_name, std::uint32_t* address) override;
    bool LookUpHostName(std::uint32_t address, std::string* host_name) override;

    // Test controls; addresses in network byte order.
    void AddHost(const std::string& host_name, std::uint32_t address);
    void AddReverse(std::uint32_t address, const std::string& host_name);

    std::vector<std::string> forward_lookups() const;
    std::vector<std::uint32_t> reverse_lookups() const;

  private:
    mutable std::mutex mutex_;
    std::map<std::string, std::uint32_t> hosts_;
    std::map<std::uint32_t, std::string> names_;
    std::vector<std::string> forward_lookups_;
    std::vector<std::uint32_t> reverse_lookups_;
};

}  // namespace orvane
