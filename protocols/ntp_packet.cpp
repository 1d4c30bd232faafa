#include "protocols/ntp_packet.h"

#include <cstdio>

#include "logging/timestamp_text.h"
#include "platform/clock.h"

namespace orvane {

namespace {

constexpr std::uint64_t kIntervalsPerSecond = 10000000ULL;
constexpr std::int64_t kSecondsPerDay = 86400;
// Whole days from 1900-01-01 to 1973-01-01, less one: day 1 is 1973-01-01.
constexpr std::int64_t kDayNumberOffset = 26662;
// Days from 1970-01-01 to day 0 (1972-12-31).
constexpr std::int64_t kDaysFrom1970ToDayZero = 1095;

std::uint32_t ByteSwap32(std::uint32_t v) {
    return (v >> 24) | ((v >> 8) & 0xFF00u) | ((v << 8) & 0xFF0000u) | (v << 24);
}

std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
    return (static_cast<std::uint32_t>(p[0]) << 24) | (static_cast<std::uint32_t>(p[1]) << 16) |
           (static_cast<std::uint32_t>(p[2]) << 8) | p[3];
}

void WriteBigEndian32(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v >> 24);
    p[1] = static_cast<std::uint8_t>(v >> 16);
    p[2] = static_cast<std::uint8_t>(v >> 8);
    p[3] = static_cast<std::uint8_t>(v);
}

// The four bytes as a little-endian machine would load them: the wire-order
// half, the same on every host.
std::uint32_t ReadWireHalf(const std::uint8_t* p) {
    return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void WriteWireHalf(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
    p[2] = static_cast<std::uint8_t>(v >> 16);
    p[3] = static_cast<std::uint8_t>(v >> 24);
}

NtpTimestamp ReadTimestamp(const std::uint8_t* p) {
    return (static_cast<std::uint64_t>(ReadWireHalf(p)) << 32) | ReadWireHalf(p + 4);
}

void WriteTimestamp(std::uint8_t* p, NtpTimestamp t) {
    WriteWireHalf(p, static_cast<std::uint32_t>(t >> 32));
    WriteWireHalf(p + 4, static_cast<std::uint32_t>(t));
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

}  // namespace

NtpTimestamp MakeWireTimestamp(std::uint32_t seconds, std::uint32_t fraction) {
    return HostForm((static_cast<std::uint64_t>(seconds) << 32) | fraction);
}

std::uint64_t HostForm(std::uint64_t timestamp) {
    return (static_cast<std::uint64_t>(ByteSwap32(static_cast<std::uint32_t>(timestamp >> 32)))
            << 32) |
           ByteSwap32(static_cast<std::uint32_t>(timestamp));
}

NtpTimestamp NtpTimeFromFileTime(FileTime time) {
    std::uint64_t d = time.value - kFileTimeOf1900;
    auto seconds = static_cast<std::uint32_t>(d / kIntervalsPerSecond);
    auto fraction = static_cast<std::uint32_t>(static_cast<double>(d % kIntervalsPerSecond) * 1e-7 *
                                               4294967295.0);
    return MakeWireTimestamp(seconds, fraction);
}

NtpTimestamp CurrentNtpTime() {
    return NtpTimeFromFileTime(TheClock().GetSystemTimeAsFileTime());
}

void EncodePacket(const SntpPacket& packet, std::uint8_t out[kSntpPacketSize]) {
    for (std::size_t i = 0; i < kSntpPacketSize; ++i)
        out[i] = 0;
    std::uint32_t first = (static_cast<std::uint32_t>(packet.leap_indicator) << 30) |
                          ((static_cast<std::uint32_t>(packet.version_number) & 7) << 27) |
                          ((static_cast<std::uint32_t>(packet.mode) & 7) << 24) |
                          ((static_cast<std::uint32_t>(packet.stratum) & 0xFF) << 16) |
                          ((static_cast<std::uint32_t>(packet.poll_interval) & 0xFF) << 8) |
                          (static_cast<std::uint32_t>(packet.precision) & 0xFF);
    WriteBigEndian32(out, first);
    WriteBigEndian32(out + 4, static_cast<std::uint32_t>(packet.root_delay));
    WriteBigEndian32(out + 8, static_cast<std::uint32_t>(packet.root_dispersion));
    WriteBigEndian32(out + 12, packet.reference_identifier);
    WriteTimestamp(out + 16, packet.reference_timestamp);
    WriteTimestamp(out + 24, packet.originate_timestamp);
    WriteTimestamp(out + 32, packet.receive_timestamp);
    WriteTimestamp(out + 40, packet.transmit_timestamp);
}

SntpPacket DecodePacket(const std::uint8_t in[kSntpPacketSize]) {
    SntpPacket packet;
    std::uint32_t first = ReadBigEndian32(in);
    packet.leap_indicator = static_cast<std::int32_t>(first >> 30);
    packet.version_number = static_cast<std::int32_t>((first >> 27) & 7);
    packet.mode = static_cast<std::int32_t>((first >> 24) & 7);
    packet.stratum = static_cast<std::int32_t>((first >> 16) & 0xFF);
    packet.poll_interval = static_cast<std::int32_t>((first >> 8) & 0xFF);
    packet.precision = static_cast<std::int32_t>(first & 0xFF);
    packet.root_delay = static_cast<std::int32_t>(ReadBigEndian32(in + 4));
    packet.root_dispersion = static_cast<std::int32_t>(ReadBigEndian32(in + 8));
    packet.reference_identifier = ReadBigEndian32(in + 12);
    packet.reference_timestamp = ReadTimestamp(in + 16);
    packet.originate_timestamp = ReadTimestamp(in + 24);
    packet.receive_timestamp = ReadTimestamp(in + 32);
    packet.transmit_timestamp = ReadTimestamp(in + 40);
    return packet;
}

SystemTime NtpTimeToCalendar(NtpTimestamp timestamp) {
    SystemTime t;
    if (timestamp == 0) {
        t.wYear = 1900;
        t.wMonth = 1;
        t.wDay = 1;
        return t;
    }
    std::uint64_t host = HostForm(timestamp);
    auto seconds32 = static_cast<std::uint32_t>(host >> 32);
    auto fraction = static_cast<std::uint32_t>(host);
    // Top bit clear: the era that began 2036-02-07 06:28:16 UTC.
    std::int64_t s = seconds32;
    if ((seconds32 & 0x80000000u) == 0)
        s += 0x100000000LL;

    std::int64_t n = s / kSecondsPerDay - kDayNumberOffset;
    CalendarDate date = DayNumberToDate(static_cast<std::int32_t>(n));
    t.wYear = date.year;
    t.wMonth = date.month;
    t.wDay = date.day;
    t.wDayOfWeek = static_cast<std::uint16_t>(n - FloorDiv(n, 7) * 7);
    std::int64_t in_day = s % kSecondsPerDay;
    t.wHour = static_cast<std::uint16_t>(in_day / 3600);
    t.wMinute = static_cast<std::uint16_t>((s % 3600) / 60);
    t.wSecond = static_cast<std::uint16_t>(s % 60);
    t.wMilliseconds =
        static_cast<std::uint16_t>((static_cast<std::uint64_t>(fraction) * 1000) / 4294967295ULL);
    return t;
}

SystemTime CalendarTimeCarriedTo(std::uint64_t time_then, std::uint64_t then, std::uint64_t now) {
    // Half a millisecond, added before the conversion truncates, rounds to
    // the nearest one. Wrap-around sums, so an era boundary passes.
    constexpr std::uint64_t kHalfMillisecond = (1ULL << 32) / 2000;
    return NtpTimeToCalendar(HostForm(time_then + (now - then) + kHalfMillisecond));
}

CalendarDate DayNumberToDate(std::int32_t day_number) {
    // Civil-from-days on the proleptic Gregorian calendar, counted from
    // 0000-03-01 so the leap day ends each year.
    std::int64_t z = static_cast<std::int64_t>(day_number) + kDaysFrom1970ToDayZero + 719468;
    std::int64_t era = FloorDiv(z, 146097);
    std::int64_t doe = z - era * 146097;
    std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    std::int64_t mp = (5 * doy + 2) / 153;
    std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return CalendarDate{static_cast<std::uint16_t>(year), static_cast<std::uint16_t>(month),
                        static_cast<std::uint16_t>(day)};
}

std::string PacketDump(const SntpPacket& packet) {
    std::string dates[4];
    const NtpTimestamp stamps[4] = {packet.reference_timestamp, packet.originate_timestamp,
                                    packet.receive_timestamp, packet.transmit_timestamp};
    for (int i = 0; i < 4; ++i)
        dates[i] = TimestampText(NtpTimeToCalendar(stamps[i]));

    // The identifier printed as inet_ntoa prints it on a little-endian
    // machine: the wire bytes in reverse order.
    std::uint32_t id = packet.reference_identifier;
    char dotted[16];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", id & 0xFF, (id >> 8) & 0xFF,
                  (id >> 16) & 0xFF, (id >> 24) & 0xFF);

    std::string text(4200, '\0');
    int length = std::snprintf(
        &text[0], text.size(),
        "Leap second indicator=%d\nVersion number=%d\nMode=%d\nStratum=%d\nPoll interval=%d\n"
        "Precision=%d\nRoot delay=%d\nRoot dispersion=%d\nReference identifier=%u (%s)\n"
        "Reference timestamp=%llu (%s UTC)\nOriginate timestamp=%llu (%s UTC)\n"
        "Receive timestamp=%llu (%s UTC)\nTransmit timestamp=%llu (%s UTC)\n",
        packet.leap_indicator, packet.version_number, packet.mode, packet.stratum,
        packet.poll_interval, packet.precision, packet.root_delay, packet.root_dispersion,
        packet.reference_identifier, dotted,
        static_cast<unsigned long long>(packet.reference_timestamp), dates[0].c_str(),
        static_cast<unsigned long long>(packet.originate_timestamp), dates[1].c_str(),
        static_cast<unsigned long long>(packet.receive_timestamp), dates[2].c_str(),
        static_cast<unsigned long long>(packet.transmit_timestamp), dates[3].c_str());
    text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return text;
}

void IndentText(std::string& text, int n) {
    if (text.empty() || n <= 0)
        return;
    const std::string copy = text;
    const std::string tabs(static_cast<std::size_t>(n), '\t');
    text = tabs;
    for (char c : copy) {
        text += c;
        if (c == '\n')
            text += tabs;
    }
    text.resize(text.size() - tabs.size());
}

}  // namespace orvane
