#include "platform/posix/adapter_table_posix.h"

#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace orvane {

bool PosixAdapterTable::ListIpv4Subnets(std::vector<Ipv4Subnet>* subnets) {
    subnets->clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return false;
    for (ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_addr == nullptr || entry->ifa_netmask == nullptr ||
            entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        Ipv4Subnet subnet;
        subnet.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
        subnet.mask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
        subnets->push_back(subnet);
    }
    freeifaddrs(list);
    return true;
}

}  // namespace orvane
