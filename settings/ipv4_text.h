// Dotted IPv4 address texts, read and written by the rules of inet_addr
// and inet_ntoa, without the sockets library.
#pragma once

#include <cstdint>
#include <string>

namespace orvane {

// What inet_addr gives for text that is not an address (255.255.255.255).
constexpr std::uint32_t kInaddrNone = 0xFFFFFFFFu;

// Accepts "a.b.c.d", "a.b.c" (c 16 bits), "a.b" (b 24 bits) and "a"
// (32 bits); each part decimal, octal with a leading 0, or hexadecimal
// with a leading 0x; the text may end in white space and anything after
// it. Gives the address in host order; false for anything else.
bool ParseIpv4Text(const char* text, std::uint32_t* host_order);

// inet_addr: the address in network byte order, as a socket address holds
// it, or kInaddrNone when the text is not an address.
std::uint32_t Ipv4TextToAddress(const char* text);

// inet_ntoa: "a.b.c.d" of an address in network byte order.
std::string Ipv4AddressToText(std::uint32_t network_order);

}  // namespace orvane
