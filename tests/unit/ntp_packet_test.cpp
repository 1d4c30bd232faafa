#include "protocols/ntp_packet.h"

#include <gtest/gtest.h>

#include <random>

#include "support/fake_clock.h"

namespace orvane {
namespace {

std::uint32_t Seconds(NtpTimestamp t) {
    return static_cast<std::uint32_t>(HostForm(t) >> 32);
}
std::uint32_t Fraction(NtpTimestamp t) {
    return static_cast<std::uint32_t>(HostForm(t));
}

class NtpPacketTest : public ::testing::Test {
  protected:
    void SetUp() override { UseClock(&clock_); }
    void TearDown() override { UseClock(nullptr); }
    FakeClock clock_;
};

TEST_F(NtpPacketTest, FileTimeToNtpTime) {
    EXPECT_EQ(NtpTimeFromFileTime(FileTime{kFileTimeOf1900}), 0u);

    NtpTimestamp half = NtpTimeFromFileTime(FileTime{kFileTimeOf1900 + 5000000});
    EXPECT_EQ(Seconds(half), 0u);
    EXPECT_EQ(Fraction(half), 0x7FFFFFFFu);
    EXPECT_EQ(NtpTimeToCalendar(half).wMilliseconds, 499);

    clock_.SetFileTime(kFileTimeOf1900 + 3ULL * 10000000 + 2500000);
    NtpTimestamp now = CurrentNtpTime();
    EXPECT_EQ(Seconds(now), 3u);
    EXPECT_EQ(Fraction(now), 1073741823u);
}

TEST_F(NtpPacketTest, WireOrderHoldsNetworkBytes) {
    // The seconds field 0x01020304 stands on the wire as 01 02 03 04; the
    // wire-order half loads those bytes as a little-endian machine would.
    NtpTimestamp t = MakeWireTimestamp(0x01020304u, 0x0A0B0C0Du);
    EXPECT_EQ(t, 0x040302010D0C0B0AULL);
    EXPECT_EQ(HostForm(t), 0x010203040A0B0C0DULL);
    EXPECT_EQ(HostForm(HostForm(t)), t);
}

TEST_F(NtpPacketTest, CalendarConversions) {
    SystemTime zero = NtpTimeToCalendar(0);
    EXPECT_EQ(zero, (SystemTime{1900, 1, 0, 1, 0, 0, 0, 0}));

    // 2003-02-21 00:00:00 UTC is 3254774400 s after 1900; a Friday.
    SystemTime t = NtpTimeToCalendar(MakeWireTimestamp(3254774400u, 0));
    EXPECT_EQ(t, (SystemTime{2003, 2, 5, 21, 0, 0, 0, 0}));

    // 2026-12-07 23:03:44.5 UTC.
    std::uint32_t s = 4005673424u;
    t = NtpTimeToCalendar(MakeWireTimestamp(s, 0x80000000u));
    EXPECT_EQ(t, (SystemTime{2026, 12, 1, 7, 23, 3, 44, 500}));

    EXPECT_EQ(NtpTimeToCalendar(MakeWireTimestamp(1, 0xFFFFFFFFu)).wMilliseconds, 1000);
}

TEST_F(NtpPacketTest, EraBoundaryAndLater) {
    // The last second of era 0, and the first of era 1.
    EXPECT_EQ(NtpTimeToCalendar(MakeWireTimestamp(0xFFFFFFFFu, 0)),
              (SystemTime{2036, 2, 4, 7, 6, 28, 15, 0}));
    EXPECT_EQ(NtpTimeToCalendar(MakeWireTimestamp(0, 1)),
              (SystemTime{2036, 2, 4, 7, 6, 28, 16, 0}));
    // 2040-06-15 12:00:00 UTC: 4432363200 s after 1900, 137395904 into era 1.
    EXPECT_EQ(NtpTimeToCalendar(MakeWireTimestamp(137395904u, 0)),
              (SystemTime{2040, 6, 5, 15, 12, 0, 0, 0}));
    // 2100-03-01 00:00:00 (2100 has no 29 February): 6316531200 - 2^32.
    EXPECT_EQ(NtpTimeToCalendar(MakeWireTimestamp(2021563904u, 0)),
              (SystemTime{2100, 3, 1, 1, 0, 0, 0, 0}));
    // 1968-01-20 03:14:08 UTC, the earliest instant of era 0's top half.
    EXPECT_EQ(NtpTimeToCalendar(MakeWireTimestamp(0x80000000u, 0)),
              (SystemTime{1968, 1, 6, 20, 3, 14, 8, 0}));

    // The clock's FILETIME after the wrap gives era-1 seconds that convert back.
    std::uint64_t ft2040 = kFileTimeOf1900 + 4432363200ULL * 10000000ULL;
    EXPECT_EQ(NtpTimeToCalendar(NtpTimeFromFileTime(FileTime{ft2040})),
              (SystemTime{2040, 6, 5, 15, 12, 0, 0, 0}));
}

TEST_F(NtpPacketTest, DayNumbers) {
    struct Case {
        int n, year, month, day;
    } cases[] = {{0, 1972, 12, 31},    {1, 1973, 1, 1},      {365, 1973, 12, 31},
                 {1096, 1976, 1, 1},   {1155, 1976, 2, 29},  {1460, 1976, 12, 30},
                 {1461, 1976, 12, 31}, {46080, 2099, 2, 28}, {46445, 2100, 2, 28},
                 {46446, 2100, 3, 1},  {-1807, 1968, 1, 20}};
    for (const Case& c : cases) {
        CalendarDate d = DayNumberToDate(c.n);
        EXPECT_EQ(d.year, c.year) << c.n;
        EXPECT_EQ(d.month, c.month) << c.n;
        EXPECT_EQ(d.day, c.day) << c.n;
    }
    // Day 1 was a Monday.
    EXPECT_EQ(NtpTimeToCalendar(MakeWireTimestamp((26662u + 1) * 86400u, 0)).wDayOfWeek, 1);
}

TEST_F(NtpPacketTest, DecodeEncodeKeepsEveryByte) {
    std::mt19937 random(12345);
    for (int round = 0; round < 200; ++round) {
        std::uint8_t in[kSntpPacketSize];
        for (auto& b : in)
            b = static_cast<std::uint8_t>(random());
        std::uint8_t out[kSntpPacketSize];
        EncodePacket(DecodePacket(in), out);
        ASSERT_EQ(0, memcmp(in, out, sizeof in)) << "round " << round;
    }
}

TEST_F(NtpPacketTest, DecodeFields) {
    std::uint8_t in[kSntpPacketSize] = {0xE4, 0x02, 0x06, 0xEC, 0,   0,   0x01, 0x80,
                                        0xFF, 0xFF, 0xFF, 0xFE, 192, 168, 1,    1};
    SntpPacket p = DecodePacket(in);
    EXPECT_EQ(p.leap_indicator, 3);
    EXPECT_EQ(p.version_number, 4);
    EXPECT_EQ(p.mode, 4);
    EXPECT_EQ(p.stratum, 2);
    EXPECT_EQ(p.poll_interval, 6);
    EXPECT_EQ(p.precision, 236);  // -20 held unsigned
    EXPECT_EQ(p.root_delay, 0x180);
    EXPECT_EQ(p.root_dispersion, -2);
    EXPECT_EQ(p.reference_identifier, 3232235777u);
}

TEST_F(NtpPacketTest, RequestEncoding) {
    SntpPacket request;
    request.version_number = 4;
    request.mode = 3;
    request.stratum = 1;
    request.transmit_timestamp = MakeWireTimestamp(0xAABBCCDDu, 0x11223344u);
    std::uint8_t out[kSntpPacketSize];
    EncodePacket(request, out);
    EXPECT_EQ(out[0], 0x23);
    EXPECT_EQ(out[1], 0x01);
    for (int i = 2; i < 40; ++i)
        EXPECT_EQ(out[i], 0) << i;
    const std::uint8_t transmit[8] = {0xAA, 0xBB, 0xCC, 0xDD, 0x11, 0x22, 0x33, 0x44};
    EXPECT_EQ(0, memcmp(out + 40, transmit, 8));
}

TEST_F(NtpPacketTest, PacketDumpText) {
    clock_.SetDateText("07/12/2026");
    SntpPacket p;
    p.leap_indicator = 0;
    p.version_number = 4;
    p.mode = 4;
    p.stratum = 8;
    p.poll_interval = 6;
    p.precision = 236;
    p.root_delay = 0;
    p.root_dispersion = 16;
    p.reference_identifier = 3232235777u;  // wire bytes 192.168.1.1
    p.transmit_timestamp = MakeWireTimestamp(4005673424u, 0x80000000u);
    const std::string expected =
        "Leap second indicator=0\nVersion number=4\nMode=4\nStratum=8\nPoll interval=6\n"
        "Precision=236\nRoot delay=0\nRoot dispersion=16\n"
        "Reference identifier=3232235777 (1.1.168.192)\n"
        "Reference timestamp=0 (07/12/2026 00:00:00.000 UTC)\n"
        "Originate timestamp=0 (07/12/2026 00:00:00.000 UTC)\n"
        "Receive timestamp=0 (07/12/2026 00:00:00.000 UTC)\n"
        "Transmit timestamp=" +
        std::to_string(p.transmit_timestamp) + " (07/12/2026 23:03:44.500 UTC)\n";
    EXPECT_EQ(PacketDump(p), expected);
}

TEST(IndentTextTest, Cases) {
    std::string text = "a\nb\n";
    IndentText(text, 2);
    EXPECT_EQ(text, "\t\ta\n\t\tb\n");

    text = "ab";
    IndentText(text, 2);
    EXPECT_EQ(text, "\t\t");

    text = "line";
    IndentText(text, 0);
    EXPECT_EQ(text, "line");
    text.clear();
    IndentText(text, 3);
    EXPECT_EQ(text, "");

    text = "x\ny";
    IndentText(text, 1);
    EXPECT_EQ(text, "\tx\n\t");
}

}  // namespace
}  // namespace orvane
