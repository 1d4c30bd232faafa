// The records exchanged over the time service's pipe. Every record is one
// pipe message of a fixed size for its type, little-endian numbers, and
// starts with the same 12-byte header:
//   0  u32 magic "ORVT" (4F 52 56 54)
//   4  u16 layout version (2)
//   6  u16 type
//   8  u32 the record's whole length, header included
// A request may carry an optional tail after its header, for fields added
// later; a header-only request stays valid. Texts are fixed fields of 256
// bytes holding a zero-terminated UTF-8 text (at most 255 bytes, cut only
// between characters), zero bytes after it. Addresses are the four bytes
// in network order, as on the wire. A record that breaks any rule is
// refused as a whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/clock_types.h"

namespace orvane {

constexpr std::uint32_t kMessageMagic = 0x5456524FU;  // "ORVT" read little-endian
constexpr std::uint16_t kMessageLayoutVersion = 2;
constexpr std::size_t kMessageHeaderSize = 12;
constexpr std::size_t kMessageTextCapacity = 256;
constexpr std::size_t kMessagePacketSize = 48;
constexpr std::size_t kStatusVersionCapacity = 32;

// Type 2 once carried a broadcast from a caller; no time is ever taken
// from a caller, so it is an unknown request now, as is 0x82 an answer.
enum MessageType : std::uint16_t {
    kRequestUpdate = 1,
    kRequestStatus = 3,
    kAnswerUpdate = 0x81,
    kAnswerStatus = 0x83,
    kAnswerError = 0xFF,
};

// The size of each record. An update request is the header alone, or the
// header and its tail: u32 flags (below; no other bits).
constexpr std::size_t kUpdateRequestSize = kMessageHeaderSize;
constexpr std::size_t kUpdateRequestWithTailSize = kMessageHeaderSize + 4;
constexpr std::size_t kStatusRequestSize = kMessageHeaderSize;
constexpr std::size_t kUpdateAnswerSize = kMessageHeaderSize + 6 * 4 + 20 + 16 + 16 + 4 + 48 + 48 +
                                         4 + 4 + 8 + kMessageTextCapacity;  // 460
constexpr std::size_t kStatusAnswerSize =
    kMessageHeaderSize + kStatusVersionCapacity + 4 + 4 + 4 + 16 + 16 + 4 + 4;  // 96
constexpr std::size_t kErrorAnswerSize = kMessageHeaderSize + kMessageTextCapacity;  // 268
constexpr std::size_t kLongestRequestSize = kUpdateRequestWithTailSize;
constexpr std::size_t kLongestAnswerSize = kUpdateAnswerSize;

// Update request flags. Without the tail: a manual, unconfirmed update.
constexpr std::uint32_t kUpdateAutomatic = 1;  // an automatic round, not the user's request
constexpr std::uint32_t kUpdateConfirmed = 2;  // the user confirmed a large correction
// A later try of the automatic round the last request began: the service
// goes on through the addresses it found then, without a new lookup.
constexpr std::uint32_t kUpdateNextTry = 4;

struct UpdateRequest {
    bool has_tail = false;
    std::uint32_t flags = 0;
    bool automatic() const { return (flags & kUpdateAutomatic) != 0; }
    bool confirmed() const { return (flags & kUpdateConfirmed) != 0; }
    bool next_try() const { return (flags & kUpdateNextTry) != 0; }
};

struct Request {
    MessageType type = kRequestStatus;
    UpdateRequest update;  // kRequestUpdate only
};

// Update answer body, in this order: result, clock error, protocol,
// delay_ms, version, stratum (i32 each); the server's address: u16 family
// (0 none, 2 IPv4, 23 IPv6), u16 zero, 16 bytes (an IPv4 address in the
// first four, zeros after it); time before, time after (SYSTEMTIME-like,
// 8 x u16 each); u32 flags (bit 0: the packets are filled, bit 1: the TIME
// word is, bit 3: the correction awaits the user's confirmation and
// nothing was set, bit 4: the server answered at all; no other bits); request packet, reply packet (48 bytes
// each); the TIME word (u32, as the TIME clients report it); the server's
// kiss code (4 printable ASCII characters, zeros when none; bit 2 of the
// flags); the measured correction (i64 ms, the server's time less this
// PC's); error text.
constexpr std::uint32_t kUpdateHasPackets = 1;
constexpr std::uint32_t kUpdateHasTimeWord = 2;
constexpr std::uint32_t kUpdateHasKissCode = 4;
constexpr std::uint32_t kUpdateAwaitsConfirmation = 8;
constexpr std::uint32_t kUpdateServerAnswered = 16;
constexpr std::size_t kKissCodeSize = 4;
constexpr std::uint16_t kAddressFamilyNone = 0;
constexpr std::uint16_t kAddressFamilyIpv4 = 2;
constexpr std::uint16_t kAddressFamilyIpv6 = 23;
constexpr std::size_t kAddressBytes = 16;

struct UpdateAnswer {
    std::int32_t result = 0;       // 1 when the clock was set, else 0
    std::int32_t clock_error = 0;  // the clock's refusal code, 0 when none
    std::int32_t protocol = 0;     // 1 SNTP, 2 TIME/UDP, 3 TIME/TCP; 0 none run
    std::int32_t delay_ms = 0;
    std::int32_t version = 0;
    std::int32_t stratum = 0;
    // The server asked: IPv4 in `server_address` (network order), IPv6 in
    // `server_address6`, as `server_family` says.
    std::uint16_t server_family = kAddressFamilyNone;
    std::uint32_t server_address = 0;
    std::uint8_t server_address6[kAddressBytes] = {};
    SystemTime time_before;
    SystemTime time_after;
    bool awaits_confirmation = false;
    bool server_answered = false;  // anything came back (else a time-out or network error)
    std::int64_t correction_ms = 0;
    bool has_packets = false;
    std::uint8_t request_packet[kMessagePacketSize] = {};
    std::uint8_t reply_packet[kMessagePacketSize] = {};
    bool has_time_word = false;
    std::uint32_t time_word = 0;
    // "RATE", "DENY", ... when the server answered with a kiss-o'-death,
    // else empty (no clock was set then).
    std::string kiss_code;
    std::string error_text;
};

// The last broadcast the service set the clock from: a sequence number
// that grows by one with each (0: none since the service started), the
// sender (network order), the local times before and after, the packet's
// version and stratum.
struct AppliedBroadcast {
    std::uint32_t sequence = 0;
    std::uint32_t sender_address = 0;
    SystemTime time_before;
    SystemTime time_after;
    std::int32_t version = 0;
    std::int32_t stratum = 0;
};

// Status answer body: the service's version text (32-byte field); u32 1
// when its token holds SeSystemtimePrivilege, else 0; the last broadcast
// applied: u32 sequence, sender (4 bytes), time before, time after, version
// and stratum (i32 each); all zero when none.
struct StatusAnswer {
    std::string version_text;
    bool holds_privilege = false;
    AppliedBroadcast broadcast;
};

struct Answer {
    MessageType type = kAnswerError;
    UpdateAnswer update;     // kAnswerUpdate
    StatusAnswer status;     // kAnswerStatus
    std::string error_text;  // kAnswerError
};

// Why a record was refused.
enum class MessageFault {
    kNone,
    kTooShort,  // shorter than its header or its type's size
    kTooLong,   // longer than its type's size
    kBadMagic,
    kWrongVersion,
    kUnknownType,     // no such type, or an answer where a request belongs (or back)
    kLengthMismatch,  // the header's length is not the record's
    kTextTooLong,     // a text field without its terminator
    kBadField,        // a number out of its range, unknown flag bits, non-zero padding
};

// The text an error answer carries for a refused request.
std::string MessageFaultText(MessageFault fault);

// Texts longer than their field are cut to fit when encoding.
std::vector<std::uint8_t> EncodeRequest(const Request& request);
std::vector<std::uint8_t> EncodeAnswer(const Answer& answer);

MessageFault DecodeRequest(const std::uint8_t* data, std::size_t size, Request* request);
MessageFault DecodeAnswer(const std::uint8_t* data, std::size_t size, Answer* answer);

}  // namespace orvane
