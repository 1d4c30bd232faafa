#include "support/fake_name_lookup.h"

namespace orvane {

bool FakeNameLookup::LookUpAddresses(const std::string& host_name, int,
                                     std::vector<net::SocketAddress>* addresses) {
    std::lock_guard<std::mutex> lock(mutex_);
    forward_lookups_.push_back(host_name);
    auto found = hosts_.find(host_name);
    if (found == hosts_.end() || found->second.empty())
        return false;
    *addresses = found->second;
    return true;
}

bool FakeNameLookup::LookUpHostName(std::uint32_t address, std::string* host_name) {
    std::lock_guard<std::mutex> lock(mutex_);
    reverse_lookups_.push_back(address);
    auto found = names_.find(address);
    if (found == names_.end())
        return false;
    *host_name = found->second;
    return true;
}

void FakeNameLookup::AddHost(const std::string& host_name, std::uint32_t address) {
    AddHost(host_name, net::Ipv4Address(address));
}

void FakeNameLookup::AddHost(const std::string& host_name, const net::SocketAddress& address) {
    std::lock_guard<std::mutex> lock(mutex_);
    hosts_[host_name].push_back(address);
}

void FakeNameLookup::ForgetHost(const std::string& host_name) {
    std::lock_guard<std::mutex> lock(mutex_);
    hosts_.erase(host_name);
}

void FakeNameLookup::AddReverse(std::uint32_t address, const std::string& host_name) {
    std::lock_guard<std::mutex> lock(mutex_);
    names_[address] = host_name;
}

std::vector<std::string> FakeNameLookup::forward_lookups() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return forward_lookups_;
}

std::vector<std::uint32_t> FakeNameLookup::reverse_lookups() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return reverse_lookups_;
}

}  // namespace orvane
