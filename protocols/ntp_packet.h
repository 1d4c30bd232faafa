// NTP timestamps, the 48-byte SNTP packet and the conversions between NTP
// time and the Windows clock types.
//
// A timestamp is held in one of two forms:
//  - wire order: the 8 bytes as they stand on the wire, loaded into a
//    64-bit value whose high half holds the seconds bytes and low half the
//    fraction bytes, each half's bytes kept in network order (so on a
//    little-endian host each half reads as the byte-reversed field). This is
//    what the packet record keeps and what the packet dump prints.
//  - host form: seconds * 2^32 + fraction, for arithmetic.
//
// NTP seconds wrap in 2036. Seconds with the top bit clear are read as the
// next era (2036-02-07 06:28:16 UTC onwards), so conversions hold from 1968
// to 2104.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock_types.h"

namespace orvane {

using NtpTimestamp = std::uint64_t;

constexpr std::size_t kSntpPacketSize = 48;

// Header values the client sends and checks.
constexpr std::int32_t kNtpVersion = 4;  // sent, and the newest understood
constexpr std::int32_t kOldestNtpVersion = 1;
constexpr std::int32_t kModeClient = 3;
constexpr std::int32_t kModeServer = 4;
constexpr std::int32_t kModeBroadcast = 5;
// Leap indicator 3: the server's clock is not synchronised.
constexpr std::int32_t kLeapAlarm = 3;
// Stratum 0 is a kiss-o'-death: the reference identifier carries four ASCII
// characters telling the client why it gets no time. 16 and above: the
// server's clock is not synchronised.
constexpr std::int32_t kStratumKissOfDeath = 0;
constexpr std::int32_t kStratumUnsynchronised = 16;
// 100-ns intervals from 1601-01-01 to 1900-01-01.
constexpr std::uint64_t kFileTimeOf1900 = 94354848000000000ULL;

struct SntpPacket {
    std::int32_t leap_indicator = 0;
    std::int32_t version_number = 0;
    std::int32_t mode = 0;
    std::int32_t stratum = 0;
    std::int32_t poll_interval = 0;
    std::int32_t precision = 0;
    std::int32_t root_delay = 0;
    std::int32_t root_dispersion = 0;
    std::uint32_t reference_identifier = 0;
    NtpTimestamp reference_timestamp = 0;
    NtpTimestamp originate_timestamp = 0;
    NtpTimestamp receive_timestamp = 0;
    NtpTimestamp transmit_timestamp = 0;
};

struct CalendarDate {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
};

// Wire-order timestamp from seconds and fraction given as numbers.
NtpTimestamp MakeWireTimestamp(std::uint32_t seconds, std::uint32_t fraction);
// Converts wire order to host form and back (its own inverse).
std::uint64_t HostForm(std::uint64_t timestamp);

// The NTP time of a FILETIME, as a wire-order timestamp.
NtpTimestamp NtpTimeFromFileTime(FileTime time);
// The system clock's time now, as a wire-order timestamp.
NtpTimestamp CurrentNtpTime();

void EncodePacket(const SntpPacket& packet, std::uint8_t out[kSntpPacketSize]);
SntpPacket DecodePacket(const std::uint8_t in[kSntpPacketSize]);

// UTC calendar time of a wire-order timestamp; both halves zero gives
// 1900-01-01 00:00:00.000.
SystemTime NtpTimeToCalendar(NtpTimestamp timestamp);
// The UTC calendar time, to the nearest millisecond, that a clock shows
// now which showed `time_then` when this PC's clock showed `then`: `now` is
// this PC's clock now. All three in host form. How a received time is
// carried to the moment the clock is set.
SystemTime CalendarTimeCarriedTo(std::uint64_t time_then, std::uint64_t then, std::uint64_t now);
// Day 0 is 1972-12-31, day 1 is 1973-01-01 (Gregorian calendar).
CalendarDate DayNumberToDate(std::int32_t day_number);

// The verbose-log text of a packet.
std::string PacketDump(const SntpPacket& packet);

// Puts n tabs before the text and after every newline, then drops the last
// n characters (the tabs after a final newline).
void IndentText(std::string& text, int n);

}  // namespace orvane
