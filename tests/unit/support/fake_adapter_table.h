// An adapter table the test fills in; counts the reads.
#pragma once

#include <mutex>
#include <vector>

#include "platform/adapter_table.h"

namespace orvane {

class FakeAdapterTable : public AdapterTable {
  public:
    bool ListIpv4Subnets(std::vector<Ipv4Subnet>* subnets) override;

    // Test controls; addresses and masks in host byte order.
    void Add(std::uint32_t address, std::uint32_t mask);
    int reads() const;

  private:
    mutable std::mutex mutex_;
    std::vector<Ipv4Subnet> subnets_;
    int reads_ = 0;
};

}  // namespace orvane
