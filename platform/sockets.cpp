// The shim's portable part: byte order and address records.
#include "platform/sockets.h"

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

SocketAddressIn MakeAddress(std::uint32_t host_order_address, std::uint16_t port) {
    SocketAddressIn a;
    a.family = kAfInet;
    a.port = HostToNetwork16(port);
    a.address = HostToNetwork32(host_order_address);
    return a;
}

}  // namespace orvane::net
