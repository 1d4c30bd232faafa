// Feeds arbitrary bytes to everything that reads a time server's answer:
// the SNTP reply checks (with the kiss code), packet decoding and encoding, the timestamp
// conversions, the packet dump, the delay and new-time computation, and
// the TIME word conversion. Besides the sanitizers, it checks properties
// that must hold for every input.
//
// Input layout: 8 bytes the timestamp we "sent" (wire order), 8 bytes the
// arrival time T4 (wire order), 1 byte a time-zone offset selector, then
// the datagram as received (any length).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "support/fake_clock.h"
#include "protocols/ntp_packet.h"
#include "protocols/sntp_client.h"
#include "protocols/time_client.h"

namespace {

using namespace orvane;

FakeClock& TheFakeClock() {
    static FakeClock* clock = [] {
        auto* c = new FakeClock;
        c->SetDateText("2026-12-07");
        UseClock(c);
        return c;
    }();
    return *clock;
}

std::uint64_t Load64(const std::uint8_t* p) {
    std::uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Days since 1970-01-01 of a Gregorian date.
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2 ? 1 : 0;
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::int64_t SecondsSince1970(const SystemTime& t) {
    return DaysFromCivil(t.wYear, t.wMonth, t.wDay) * 86400 + t.wHour * 3600 + t.wMinute * 60 +
           t.wSecond;
}

std::int64_t DayOfWeek(const SystemTime& t) {
    return ((DaysFromCivil(t.wYear, t.wMonth, t.wDay) % 7) + 11) % 7;  // 1970-01-01: Thursday
}

// A calendar time from a timestamp: a real date, with milliseconds 0-1000
// (a fraction near 1 s rounds to 1000, which the clock then refuses).
void CheckCalendar(NtpTimestamp timestamp) {
    SystemTime t = NtpTimeToCalendar(timestamp);
    if (timestamp == 0) {
        FUZZ_CHECK(t.wYear == 1900 && t.wMonth == 1 && t.wDay == 1);
        return;
    }
    FUZZ_CHECK(t.wMilliseconds <= 1000);
    SystemTime whole = t;
    whole.wMilliseconds = 0;
    FUZZ_CHECK(IsValidSystemTime(whole));
    FUZZ_CHECK(t.wYear >= 1968 && t.wYear <= 2104);
    FUZZ_CHECK(t.wDayOfWeek == DayOfWeek(t));
    // Back to seconds since 1900, modulo 2^32: the seconds half again.
    std::uint64_t back = static_cast<std::uint64_t>(SecondsSince1970(t) + 2208988800LL);
    FUZZ_CHECK(static_cast<std::uint32_t>(back) ==
               static_cast<std::uint32_t>(HostForm(timestamp) >> 32));
}

constexpr char kNotAReply[] = "Received packet was not a reply to the sent packet";
constexpr char kUnsynchronised[] = "Server's clock is not synchronised";

// The verdict on a full-size reply, checks in the order they must run: is
// it an answer to the request, then may its time be used.
void CheckReplyVerdict(const std::uint8_t* datagram, int length, NtpTimestamp sent) {
    const SntpPacket p = DecodePacket(datagram);
    std::string kiss_code = "untouched";
    const std::string refusal = CheckSntpReply(datagram, length, sent, nullptr, &kiss_code);
    const bool answer = p.originate_timestamp == sent && p.mode == kModeServer &&
                        p.version_number >= kOldestNtpVersion && p.version_number <= kNtpVersion;
    if (!answer) {
        FUZZ_CHECK(refusal == kNotAReply);
        FUZZ_CHECK(kiss_code.empty());
        return;
    }
    const bool kiss = p.stratum == kStratumKissOfDeath;
    if (kiss) {
        FUZZ_CHECK(kiss_code.size() == 4);
        for (int i = 0; i < 4; ++i) {
            const unsigned byte = (p.reference_identifier >> (24 - 8 * i)) & 0xFF;
            const char expected = byte >= 0x20 && byte <= 0x7E ? static_cast<char>(byte) : '?';
            FUZZ_CHECK(kiss_code[static_cast<std::size_t>(i)] == expected);
        }
    } else {
        FUZZ_CHECK(kiss_code.empty());
    }
    if (p.leap_indicator == kLeapAlarm) {
        FUZZ_CHECK(refusal == kUnsynchronised);
    } else if (kiss) {
        FUZZ_CHECK(refusal == "Server sent kiss code " + kiss_code);
    } else if (p.stratum >= kStratumUnsynchronised || p.receive_timestamp == 0 ||
               p.transmit_timestamp == 0) {
        FUZZ_CHECK(refusal == kUnsynchronised);
    } else {
        FUZZ_CHECK(refusal.empty());
    }
}

void CheckPacketRoundTrip(const std::uint8_t* datagram) {
    SntpPacket packet = DecodePacket(datagram);
    std::uint8_t encoded[kSntpPacketSize];
    EncodePacket(packet, encoded);
    FUZZ_CHECK(std::memcmp(encoded, datagram, kSntpPacketSize) == 0);
    FUZZ_CHECK(packet.leap_indicator >= 0 && packet.leap_indicator <= 3);
    FUZZ_CHECK(packet.version_number >= 0 && packet.version_number <= 7);
    FUZZ_CHECK(packet.mode >= 0 && packet.mode <= 7);
    FUZZ_CHECK(packet.stratum >= 0 && packet.stratum <= 255);
    FUZZ_CHECK(packet.precision >= 0 && packet.precision <= 255);

    const NtpTimestamp stamps[4] = {packet.reference_timestamp, packet.originate_timestamp,
                                    packet.receive_timestamp, packet.transmit_timestamp};
    for (NtpTimestamp stamp : stamps) {
        CheckCalendar(stamp);
        FUZZ_CHECK(HostForm(HostForm(stamp)) == stamp);
    }

    std::string dump = PacketDump(packet);
    FUZZ_CHECK(!dump.empty() && dump.back() == '\n');
    FUZZ_CHECK(dump.find('\0') == std::string::npos);
    FUZZ_CHECK(dump.rfind("Leap second indicator=", 0) == 0);
}

void CheckComputation(const SntpPacket& reply, std::uint64_t t4) {
    std::uint64_t t1 = HostForm(reply.originate_timestamp);
    std::uint64_t t2 = HostForm(reply.receive_timestamp);
    std::uint64_t t3 = HostForm(reply.transmit_timestamp);
    SntpComputation r = ComputeSntpResult(t1, t2, t3, t4);
    FUZZ_CHECK(r.round_trip == static_cast<std::int64_t>((t4 - t3) - t1 + t2));
    FUZZ_CHECK(r.new_time == t3 + static_cast<std::uint64_t>(r.round_trip / 2));
    // Within a day either way, the delay is the round trip in milliseconds.
    const std::int64_t day = 86400LL << 32;
    if (r.round_trip > -day && r.round_trip < day) {
        std::int64_t expected_ms = static_cast<std::int64_t>(
            static_cast<long double>(r.round_trip) * 1000 / 4294967296.0L);
        std::int64_t diff = r.delay_ms - expected_ms;
        FUZZ_CHECK(diff >= -1 && diff <= 1);
    }
    CheckCalendar(HostForm(r.new_time));
}

void CheckTimeWord(const std::uint8_t* bytes, int zone_selector) {
    std::uint32_t word = TimeWordFromBytes(bytes);
    std::uint32_t seconds = TimeWordSeconds(word);
    FUZZ_CHECK(seconds == ((static_cast<std::uint32_t>(bytes[0]) << 24) |
                           (static_cast<std::uint32_t>(bytes[1]) << 16) |
                           (static_cast<std::uint32_t>(bytes[2]) << 8) | bytes[3]));
    SystemTime utc = TimeSecondsToUtc(seconds);
    FUZZ_CHECK(IsValidSystemTime(utc));
    FUZZ_CHECK(utc.wMilliseconds == 0);
    FUZZ_CHECK(utc.wYear >= 1968 && utc.wYear <= 2104);
    FUZZ_CHECK(utc.wDayOfWeek == DayOfWeek(utc));
    // The era rule: 1968-01-20 03:14:08 onwards, 2^32 seconds in all.
    std::int64_t since_1900 = SecondsSince1970(utc) + 2208988800LL;
    FUZZ_CHECK(since_1900 >= 0x80000000LL && since_1900 < 0x180000000LL);
    FUZZ_CHECK(static_cast<std::uint32_t>(since_1900) == seconds);
    // The same instant as an SNTP timestamp with fraction 0 (word 0 aside,
    // which the NTP conversion keeps as the 1900 marker).
    if (seconds != 0) {
        FUZZ_CHECK(NtpTimeToCalendar(MakeWireTimestamp(seconds, 0)) == utc);
    }

    // Local time in zones from UTC-14:00 to UTC+14:00.
    int offset = (zone_selector % 113 - 56) * 15;
    FakeClock& clock = TheFakeClock();
    clock.SetTimeZoneOffsetMinutes(offset);
    SystemTime local;
    FUZZ_CHECK(clock.UtcToLocalTime(utc, &local));
    FUZZ_CHECK(IsValidSystemTime(local));
    FUZZ_CHECK(SecondsSince1970(local) - SecondsSince1970(utc) == offset * 60);
    FUZZ_CHECK(local.wDayOfWeek == DayOfWeek(local));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TheFakeClock();
    if (size < 17)
        return 0;
    NtpTimestamp sent = Load64(data);
    std::uint64_t t4 = HostForm(Load64(data + 8));
    int zone_selector = data[16];
    const std::uint8_t* datagram = data + 17;
    int length = static_cast<int>(size - 17 > 4096 ? 4096 : size - 17);

    SntpPacket reply;
    std::string kiss_code = "untouched";
    std::string refusal = CheckSntpReply(datagram, length, sent, &reply, &kiss_code);
    if (length < static_cast<int>(kSntpPacketSize)) {
        FUZZ_CHECK(refusal == kNotAReply);
        FUZZ_CHECK(kiss_code.empty());
    } else {
        SntpPacket decoded = DecodePacket(datagram);
        FUZZ_CHECK(decoded.transmit_timestamp == reply.transmit_timestamp);
        CheckReplyVerdict(datagram, length, sent);
        // Again as the answer to the request it names, so the checks past
        // the originate match see every input.
        CheckReplyVerdict(datagram, length, decoded.originate_timestamp);
        CheckPacketRoundTrip(datagram);
        CheckComputation(decoded, t4);
    }

    if (length >= 4)
        CheckTimeWord(datagram, zone_selector);
    return 0;
}
