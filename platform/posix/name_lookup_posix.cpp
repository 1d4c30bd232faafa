#include "platform/posix/name_lookup_posix.h"

#include <arpa/inet.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cstring>

namespace orvane {

namespace {

// getaddrinfo has no time limit of its own: LookUpWithinLimit bounds it.
bool LookUpAll(const std::string& host_name, std::vector<net::SocketAddress>* addresses) {
    addrinfo hints;
    std::memset(&hints, 0, sizeof hints);
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_DGRAM;  // each address once, not once per socket type
    addrinfo* found = nullptr;
    if (getaddrinfo(host_name.c_str(), nullptr, &hints, &found) != 0)
        return false;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addr == nullptr)
            continue;
        net::SocketAddress a;
        if (entry->ai_family == AF_INET && entry->ai_addrlen >= sizeof(sockaddr_in)) {
            const auto* in = reinterpret_cast<const sockaddr_in*>(entry->ai_addr);
            a = net::Ipv4Address(in->sin_addr.s_addr);
        } else if (entry->ai_family == AF_INET6 && entry->ai_addrlen >= sizeof(sockaddr_in6)) {
            const auto* in6 = reinterpret_cast<const sockaddr_in6*>(entry->ai_addr);
            a.family = net::kAfInet6;
            std::memcpy(a.address6, &in6->sin6_addr, sizeof a.address6);
            a.scope_id = in6->sin6_scope_id;
        } else {
            continue;
        }
        const auto same = [&a](const net::SocketAddress& b) { return net::SameHost(a, b); };
        if (std::none_of(addresses->begin(), addresses->end(), same))
            addresses->push_back(a);
    }
    freeaddrinfo(found);
    return !addresses->empty();
}

}  // namespace

bool PosixNameLookup::LookUpAddresses(const std::string& host_name, int limit_ms,
                                      std::vector<net::SocketAddress>* addresses) {
    addresses->clear();
    return LookUpWithinLimit(
        [host_name](std::vector<net::SocketAddress>* found) { return LookUpAll(host_name, found); },
        limit_ms, addresses);
}

bool PosixNameLookup::LookUpHostName(std::uint32_t address, std::string* host_name) {
    sockaddr_in in;
    std::memset(&in, 0, sizeof in);
    in.sin_family = AF_INET;
    in.sin_addr.s_addr = address;
    char name[NI_MAXHOST];
    if (getnameinfo(reinterpret_cast<const sockaddr*>(&in), sizeof in, name, sizeof name, nullptr,
                    0, NI_NAMEREQD) != 0) {
        return false;
    }
    *host_name = name;
    return true;
}

}  // namespace orvane
