#include "settings/ipv4_text.h"

#include <cstring>

#include <gtest/gtest.h>

namespace orvane {
namespace {

std::uint32_t Network(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    const std::uint8_t bytes[4] = {a, b, c, d};
    std::uint32_t value;
    std::memcpy(&value, bytes, 4);
    return value;
}

struct ParseCase {
    const char* text;
    std::uint32_t host_order;
};

TEST(Ipv4TextTest, AcceptsTheFormsInetAddrAccepts) {
    const ParseCase cases[] = {
        {"1.2.3.4", 0x01020304u},
        {"0.0.0.0", 0},
        {"255.255.255.255", 0xFFFFFFFFu},
        {"192.168.1.10", 0xC0A8010Au},
        // Fewer parts: the last one fills the remaining bytes.
        {"1.2.3", 0x01020003u},
        {"1.2.65535", 0x0102FFFFu},
        {"10.16777215", 0x0AFFFFFFu},
        {"4294967295", 0xFFFFFFFFu},
        {"0", 0},
        // Octal and hexadecimal parts.
        {"0177.0.0.01", 0x7F000001u},
        {"0x7f.0X0.0x00.0xFF", 0x7F0000FFu},
        {"0xC0A8010A", 0xC0A8010Au},
        {"010.010.010.010", 0x08080808u},
        // White space ends the text; what follows it does not matter.
        {"1.2.3.4 ", 0x01020304u},
        {"1.2.3.4\tjunk", 0x01020304u},
        {"1.2.3.4\r\n", 0x01020304u},
    };
    for (const ParseCase& c : cases) {
        std::uint32_t host = 12345;
        EXPECT_TRUE(ParseIpv4Text(c.text, &host)) << c.text;
        EXPECT_EQ(host, c.host_order) << c.text;
    }
}

TEST(Ipv4TextTest, RefusesEverythingElse) {
    const char* cases[] = {
        "",
        " 1.2.3.4",
        "1.2.3.4.5",
        "1.2.3.4.",
        "1..2.3",
        ".1.2.3",
        // A part too large for the bytes it fills.
        "256.1.1.1",
        "1.256.1.1",
        "1.1.1.256",
        "1.2.65536",
        "1.16777216",
        "4294967296",
        "99999999999999999999",
        "0x100.1.1.1",
        // Characters no address has.
        "-1.2.3.4",
        "1.2.3.4x",
        "1.2.3.4/24",
        "08.1.1.1",
        "1.2.3.09",
        "0x1g.1.1.1",
        "a.b.c.d",
        "localhost",
        "1,2,3,4",
    };
    for (const char* text : cases) {
        std::uint32_t host = 12345;
        EXPECT_FALSE(ParseIpv4Text(text, &host)) << text;
        EXPECT_EQ(host, 12345u) << text;
        EXPECT_EQ(Ipv4TextToAddress(text), kInaddrNone) << text;
    }
    EXPECT_FALSE(ParseIpv4Text(nullptr, nullptr));
    EXPECT_EQ(Ipv4TextToAddress(nullptr), kInaddrNone);
}

TEST(Ipv4TextTest, AddressIsInNetworkByteOrder) {
    EXPECT_EQ(Ipv4TextToAddress("1.2.3.4"), Network(1, 2, 3, 4));
    EXPECT_EQ(Ipv4TextToAddress("10.258"), Network(10, 0, 1, 2));
    // The broadcast address and "not an address" are the same value.
    EXPECT_EQ(Ipv4TextToAddress("255.255.255.255"), kInaddrNone);
}

TEST(Ipv4TextTest, FormatsDottedDecimal) {
    EXPECT_EQ(Ipv4AddressToText(Network(1, 2, 3, 4)), "1.2.3.4");
    EXPECT_EQ(Ipv4AddressToText(0), "0.0.0.0");
    EXPECT_EQ(Ipv4AddressToText(0xFFFFFFFFu), "255.255.255.255");
    EXPECT_EQ(Ipv4AddressToText(Network(192, 168, 0, 10)), "192.168.0.10");
    // Every formatted address reads back unchanged.
    for (std::uint32_t host : {0x00000001u, 0x7F000001u, 0x80FF00FEu, 0xFFFFFFFEu}) {
        const std::uint32_t address =
            Network(host >> 24, (host >> 16) & 0xFF, (host >> 8) & 0xFF, host & 0xFF);
        EXPECT_EQ(Ipv4TextToAddress(Ipv4AddressToText(address).c_str()), address);
    }
}

}  // namespace
}  // namespace orvane
