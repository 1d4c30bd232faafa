#include "support/fake_adapter_table.h"

#include "platform/sockets.h"

namespace orvane {

bool FakeAdapterTable::ListIpv4Subnets(std::vector<Ipv4Subnet>* subnets) {
    std::lock_guard<std::mutex> lock(mutex_);
    ++reads_;
    *subnets = subnets_;
    return true;
}

void FakeAdapterTable::Add(std::uint32_t address, std::uint32_t mask) {
    std::lock_guard<std::mutex> lock(mutex_);
    Ipv4Subnet subnet;
    subnet.address = net::HostToNetwork32(address);
    subnet.mask = net::HostToNetwork32(mask);
    subnets_.push_back(subnet);
}

int FakeAdapterTable::reads() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
}

}  // namespace orvane
