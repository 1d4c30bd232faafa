// The shim's portable part: byte order and address records.
#include "platform/sockets.h"

#include <cstdio>
#include <cstring>

namespace orvane::net {

std::uint16_t HostToNetwork16(std::uint16_t value) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(value >> 8),
                                   static_cast<std::uint8_t>(value)};
    std::uint16_t result;
    std::memcpy(&result, bytes, sizeof result);
    return result;
}

std::uint32_t HostToNetwork32(std::uint32_t value) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    std::uint32_t result;
    std::memcpy(&result, bytes, sizeof result);
    return result;
}

SocketAddress MakeAddress(std::uint32_t host_order_address, std::uint16_t port) {
    SocketAddress a;
    a.family = kAfInet;
    a.port = HostToNetwork16(port);
    a.address = HostToNetwork32(host_order_address);
    return a;
}

bool SameHost(const SocketAddress& a, const SocketAddress& b) {
    if (a.family != b.family)
        return false;
    if (a.family == kAfInet6) {
        return std::memcmp(a.address6, b.address6, sizeof a.address6) == 0 &&
               a.scope_id == b.scope_id;
    }
    return a.address == b.address;
}

SocketAddress Ipv4Address(std::uint32_t network_order) {
    SocketAddress a;
    a.family = kAfInet;
    a.address = network_order;
    return a;
}

namespace {

std::string Ipv4Text(const std::uint8_t* b) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

// RFC 5952, as inet_ntop writes it: lower-case hex without leading zeros,
// the longest run of two or more zero groups (the first of equal runs) as
// "::", and the mapped and compatible IPv4 forms with a dotted tail.
std::string Ipv6Text(const std::uint8_t* b) {
    std::uint16_t groups[8];
    for (int i = 0; i < 8; ++i)
        groups[i] = static_cast<std::uint16_t>(b[2 * i] << 8 | b[2 * i + 1]);
    const bool zero_prefix = groups[0] == 0 && groups[1] == 0 && groups[2] == 0 &&
                             groups[3] == 0 && groups[4] == 0;
    if (zero_prefix && groups[5] == 0xffff)
        return "::ffff:" + Ipv4Text(b + 12);
    if (zero_prefix && groups[5] == 0 && groups[6] != 0)
        return "::" + Ipv4Text(b + 12);
    int best_start = -1, best_length = 0;
    for (int i = 0; i < 8;) {
        if (groups[i] != 0) {
            ++i;
            continue;
        }
        int j = i;
        while (j < 8 && groups[j] == 0)
            ++j;
        if (j - i > best_length && j - i >= 2) {
            best_start = i;
            best_length = j - i;
        }
        i = j;
    }
    std::string text;
    char group[8];
    for (int i = 0; i < 8; ++i) {
        if (i == best_start) {
            text += "::";
            i += best_length - 1;
            continue;
        }
        if (!text.empty() && text.back() != ':')
            text += ':';
        std::snprintf(group, sizeof group, "%x", groups[i]);
        text += group;
    }
    return text;
}

}  // namespace

std::string AddressText(const SocketAddress& a) {
    if (a.family == kAfInet6)
        return Ipv6Text(a.address6);
    std::uint8_t bytes[4];
    std::memcpy(bytes, &a.address, sizeof bytes);
    return Ipv4Text(bytes);
}

}  // namespace orvane::net
