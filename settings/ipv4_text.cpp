#include "settings/ipv4_text.h"

#include <cstdio>
#include <cstring>

namespace orvane {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int HexValue(char c) {
    if (IsDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

bool ParseIpv4Text(const char* text, std::uint32_t* host_order) {
    if (text == nullptr)
        return false;
    const char* cp = text;
    std::uint64_t parts[4] = {};
    int count = 0;
    for (;;) {
        // Every part starts with a digit; "1..2", ".1" and "1.2." are not
        // addresses.
        if (!IsDigit(*cp))
            return false;
        std::uint64_t value = 0;
        int base = 10;
        if (*cp == '0') {
            ++cp;
            if (*cp == 'x' || *cp == 'X') {
                base = 16;
                ++cp;
            } else {
                base = 8;
            }
        }
        for (;;) {
            int digit = HexValue(*cp);
            if (digit < 0 || digit >= base) {
                // An 8 or 9 in an octal part spoils the whole text rather
                // than ending the part.
                if (base == 8 && IsDigit(*cp))
                    return false;
                break;
            }
            value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
            // Also keeps a long run of digits from overflowing.
            if (value > 0xFFFFFFFFu)
                return false;
            ++cp;
        }
        parts[count++] = value;
        if (*cp != '.')
            break;
        if (count == 4)
            return false;
        ++cp;
    }
    if (*cp != '\0' && !IsSpace(*cp))
        return false;

    // The last part fills all the bytes the earlier parts leave.
    std::uint64_t result = 0;
    switch (count) {
        case 1:
            result = parts[0];
            break;
        case 2:
            if (parts[0] > 0xFF || parts[1] > 0xFFFFFF)
                return false;
            result = parts[0] << 24 | parts[1];
            break;
        case 3:
            if (parts[0] > 0xFF || parts[1] > 0xFF || parts[2] > 0xFFFF)
                return false;
            result = parts[0] << 24 | parts[1] << 16 | parts[2];
            break;
        default:
            for (int i = 0; i < 4; ++i) {
                if (parts[i] > 0xFF)
                    return false;
            }
            result = parts[0] << 24 | parts[1] << 16 | parts[2] << 8 | parts[3];
            break;
    }
    if (host_order != nullptr)
        *host_order = static_cast<std::uint32_t>(result);
    return true;
}

std::uint32_t Ipv4TextToAddress(const char* text) {
    std::uint32_t host = 0;
    if (!ParseIpv4Text(text, &host))
        return kInaddrNone;
    // Network order is the bytes a, b, c, d in memory, whatever the host.
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(host >> 24), static_cast<std::uint8_t>(host >> 16),
        static_cast<std::uint8_t>(host >> 8), static_cast<std::uint8_t>(host)};
    std::uint32_t address;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

std::string Ipv4AddressToText(std::uint32_t network_order) {
    std::uint8_t bytes[4];
    std::memcpy(bytes, &network_order, sizeof bytes);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2], bytes[3]);
    return text;
}

}  // namespace orvane
