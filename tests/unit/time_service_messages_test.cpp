#include "service/time_service_messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Request(MessageType type, bool tail = false, std::uint32_t flags = 0) {
    orvane::Request request;
    request.type = type;
    request.update.has_tail = tail;
    request.update.flags = flags;
    return EncodeRequest(request);
}

Bytes AnswerOf(MessageType type) {
    Answer answer;
    answer.type = type;
    answer.update.result = 1;
    answer.update.protocol = 1;
    answer.update.version = 4;
    answer.update.stratum = 8;
    answer.update.time_before = {2026, 12, 2, 8, 11, 5, 7, 250};
    answer.update.has_packets = true;
    answer.update.error_text = "fine";
    answer.status.version_text = "1.72";
    answer.error_text = "refused";
    return EncodeAnswer(answer);
}

void PutU16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
    PutU16(b, at, static_cast<std::uint16_t>(v));
    PutU16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}
// Makes the record `size` bytes long and its header say so.
Bytes Resized(Bytes b, std::size_t size) {
    b.resize(size, 0);
    if (size >= kMessageHeaderSize)
        PutU32(b, 8, static_cast<std::uint32_t>(size));
    return b;
}

// Offsets of answer fields, from the layouts in the header.
constexpr std::size_t kUpdateResultAt = 12;
constexpr std::size_t kUpdateFamilyAt = 12 + 24;
constexpr std::size_t kUpdateAddressAt = kUpdateFamilyAt + 4;
constexpr std::size_t kUpdateBeforeMonthAt = kUpdateAddressAt + 16 + 2;
constexpr std::size_t kUpdateFlagsAt = kUpdateAddressAt + 16 + 32;
constexpr std::size_t kUpdateTextAt = kUpdateAnswerSize - kMessageTextCapacity;
constexpr std::size_t kUpdateKissAt = kUpdateTextAt - 8 - kKissCodeSize;
constexpr std::size_t kStatusHoldsAt = 12 + kStatusVersionCapacity;

struct MalformedCase {
    const char* name;
    bool request;  // decoded as a request, else as an answer
    std::function<Bytes()> make;
    MessageFault fault;
};

TEST(TimeServiceMessagesTest, EveryMalformedRecordIsRefusedWithItsFault) {
    const std::vector<MalformedCase> cases = {
        {"empty", true, [] { return Bytes(); }, MessageFault::kTooShort},
        {"shorter than a header", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             b.resize(11);
             return b;
         },
         MessageFault::kTooShort},
        {"update request with a byte of a tail", true,
         [] { return Resized(Request(kRequestUpdate), 13); }, MessageFault::kTooShort},
        {"status request far too long", true, [] { return Resized(Request(kRequestStatus), 400); },
         MessageFault::kTooLong},
        {"update tail a byte short", true, [] { return Resized(Request(kRequestUpdate), 15); },
         MessageFault::kTooShort},
        {"update tail a byte long", true,
         [] { return Resized(Request(kRequestUpdate, true), 17); }, MessageFault::kTooLong},
        {"status request with a tail", true, [] { return Resized(Request(kRequestStatus), 16); },
         MessageFault::kTooLong},
        {"update tail with an unknown flag", true,
         [] { return Request(kRequestUpdate, true, 8); }, MessageFault::kBadField},
        // The broadcast request of the first layout: no caller hands over a
        // time any more.
        {"broadcast request", true,
         [] {
             Bytes b = Resized(Request(kRequestUpdate), 68);
             PutU16(b, 6, 2);
             return b;
         },
         MessageFault::kUnknownType},
        {"a request of the first layout", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             PutU16(b, 4, 1);
             return b;
         },
         MessageFault::kWrongVersion},
        {"bad magic", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             b[0] = 'X';
             return b;
         },
         MessageFault::kBadMagic},
        {"layout version 0", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             PutU16(b, 4, 0);
             return b;
         },
         MessageFault::kWrongVersion},
        {"layout version 3", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             PutU16(b, 4, 3);
             return b;
         },
         MessageFault::kWrongVersion},
        {"request type 0", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             PutU16(b, 6, 0);
             return b;
         },
         MessageFault::kUnknownType},
        {"request type 4", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             PutU16(b, 6, 4);
             return b;
         },
         MessageFault::kUnknownType},
        {"an answer sent as a request", true, [] { return AnswerOf(kAnswerError); },
         MessageFault::kUnknownType},
        {"length field one more", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             PutU32(b, 8, 13);
             return b;
         },
         MessageFault::kLengthMismatch},
        {"length field zero", true,
         [] {
             Bytes b = Request(kRequestUpdate, true);
             PutU32(b, 8, 0);
             return b;
         },
         MessageFault::kLengthMismatch},
        {"applied broadcast's stratum out of range", false,
         [] {
             Bytes b = AnswerOf(kAnswerStatus);
             PutU32(b, kStatusAnswerSize - 4, 256);
             return b;
         },
         MessageFault::kBadField},
        {"a request sent as an answer", false, [] { return Request(kRequestStatus); },
         MessageFault::kUnknownType},
        {"update answer a byte short", false,
         [] { return Resized(AnswerOf(kAnswerUpdate), kUpdateAnswerSize - 1); },
         MessageFault::kTooShort},
        {"update answer a byte long", false,
         [] { return Resized(AnswerOf(kAnswerUpdate), kUpdateAnswerSize + 1); },
         MessageFault::kTooLong},
        {"oversized error text", false,
         [] {
             Bytes b = AnswerOf(kAnswerError);
             std::memset(&b[12], 'x', kMessageTextCapacity);
             return b;
         },
         MessageFault::kTextTooLong},
        {"oversized update text", false,
         [] {
             Bytes b = AnswerOf(kAnswerUpdate);
             std::memset(&b[kUpdateTextAt], 'x', kMessageTextCapacity);
             return b;
         },
         MessageFault::kTextTooLong},
        {"oversized version text", false,
         [] {
             Bytes b = AnswerOf(kAnswerStatus);
             std::memset(&b[12], '9', kStatusVersionCapacity);
             return b;
         },
         MessageFault::kTextTooLong},
        {"bytes after a text's end", false,
         [] {
             Bytes b = AnswerOf(kAnswerError);
             b[12 + 100] = 'x';
             return b;
         },
         MessageFault::kBadField},
        {"update result 2", false,
         [] {
             Bytes b = AnswerOf(kAnswerUpdate);
             PutU32(b, kUpdateResultAt, 2);
             return b;
         },
         MessageFault::kBadField},
        {"update month 13", false,
         [] {
             Bytes b = AnswerOf(kAnswerUpdate);
             PutU16(b, kUpdateBeforeMonthAt, 13);
             return b;
         },
         MessageFault::kBadField},
        {"unknown update flag", false,
         [] {
             Bytes b = AnswerOf(kAnswerUpdate);
             PutU32(b, kUpdateFlagsAt, 32);
             return b;
         },
         MessageFault::kBadField},
        {"unknown address family", false,
         [] {
             Bytes b = AnswerOf(kAnswerUpdate);
             PutU16(b, kUpdateFamilyAt, 10);
             return b;
         },
         MessageFault::kBadField},
        {"IPv4 address with bytes beyond its four", false,
         [] {
             Bytes b = AnswerOf(kAnswerUpdate);
             PutU16(b, kUpdateFamilyAt, kAddressFamilyIpv4);
             b[kUpdateAddressAt + 4] = 1;
             return b;
         },
         MessageFault::kBadField},
        {"kiss code without its flag", false,
         [] {
             Bytes b = AnswerOf(kAnswerUpdate);
             b[kUpdateKissAt] = 'R';
             return b;
         },
         MessageFault::kBadField},
        {"unprintable kiss code", false,
         [] {
             Bytes b = AnswerOf(kAnswerUpdate);
             PutU32(b, kUpdateFlagsAt, kUpdateHasKissCode);
             std::memcpy(&b[kUpdateKissAt], "RA\nE", kKissCodeSize);
             return b;
         },
         MessageFault::kBadField},
        {"privilege flag 2", false,
         [] {
             Bytes b = AnswerOf(kAnswerStatus);
             PutU32(b, kStatusHoldsAt, 2);
             return b;
         },
         MessageFault::kBadField},
        {"answer layout version 7", false,
         [] {
             Bytes b = AnswerOf(kAnswerStatus);
             PutU16(b, 4, 7);
             return b;
         },
         MessageFault::kWrongVersion},
    };
    for (const MalformedCase& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes bytes = c.make();
        if (c.request) {
            orvane::Request request;
            request.type = kRequestStatus;
            EXPECT_EQ(DecodeRequest(bytes.data(), bytes.size(), &request), c.fault);
            EXPECT_EQ(request.type, kRequestStatus);  // left as it was
        } else {
            Answer answer;
            answer.error_text = "untouched";
            EXPECT_EQ(DecodeAnswer(bytes.data(), bytes.size(), &answer), c.fault);
            EXPECT_EQ(answer.error_text, "untouched");
        }
        EXPECT_FALSE(MessageFaultText(c.fault).empty());
    }
}

TEST(TimeServiceMessagesTest, RecordsHaveTheirFixedSizesAndHeader) {
    EXPECT_EQ(Request(kRequestUpdate).size(), 12u);
    EXPECT_EQ(Request(kRequestStatus).size(), 12u);
    EXPECT_EQ(AnswerOf(kAnswerUpdate).size(), 460u);
    EXPECT_EQ(AnswerOf(kAnswerStatus).size(), 96u);
    EXPECT_EQ(AnswerOf(kAnswerError).size(), 268u);
    const Bytes b = Request(kRequestUpdate, true, kUpdateAutomatic | kUpdateConfirmed);
    EXPECT_EQ(b, (Bytes{'O', 'R', 'V', 'T', 2, 0, 1, 0, 16, 0, 0, 0, 3, 0, 0, 0}));
}

TEST(TimeServiceMessagesTest, RequestsAndAnswersComeBackAsSent) {
    // A header-only update is a manual, unconfirmed one.
    orvane::Request request;
    Bytes bytes = Request(kRequestUpdate);
    ASSERT_EQ(DecodeRequest(bytes.data(), bytes.size(), &request), MessageFault::kNone);
    EXPECT_EQ(request.type, kRequestUpdate);
    EXPECT_FALSE(request.update.has_tail);
    EXPECT_EQ(request.update.flags, 0u);
    bytes = Request(kRequestUpdate, true, kUpdateAutomatic);
    ASSERT_EQ(DecodeRequest(bytes.data(), bytes.size(), &request), MessageFault::kNone);
    EXPECT_TRUE(request.update.automatic());

    Answer sent;
    sent.type = kAnswerUpdate;
    UpdateAnswer& u = sent.update;
    u.result = 1;
    u.clock_error = 1314;
    u.protocol = 3;
    u.delay_ms = -2;
    u.version = 4;
    u.stratum = 15;
    u.server_family = kAddressFamilyIpv4;
    u.server_address = 0x0100007F;
    u.correction_ms = -259200123;
    u.awaits_confirmation = true;
    u.time_before = {2026, 12, 2, 8, 11, 5, 7, 250};
    u.time_after = {2026, 12, 2, 8, 11, 5, 8, 1};
    u.has_packets = true;
    u.request_packet[0] = 0x23;
    u.reply_packet[47] = 0x99;
    u.has_time_word = true;
    u.time_word = 0x80EAFFC1;
    u.kiss_code = "RATE";
    u.error_text = "Error text";
    const Bytes encoded = EncodeAnswer(sent);
    Answer got;
    ASSERT_EQ(DecodeAnswer(encoded.data(), encoded.size(), &got), MessageFault::kNone);
    EXPECT_EQ(got.type, kAnswerUpdate);
    EXPECT_EQ(got.update.clock_error, 1314);
    EXPECT_EQ(got.update.protocol, 3);
    EXPECT_EQ(got.update.delay_ms, -2);
    EXPECT_EQ(got.update.stratum, 15);
    EXPECT_EQ(got.update.server_family, kAddressFamilyIpv4);
    EXPECT_EQ(got.update.server_address, 0x0100007Fu);
    EXPECT_EQ(got.update.correction_ms, -259200123);
    EXPECT_TRUE(got.update.awaits_confirmation);
    EXPECT_EQ(got.update.time_before, u.time_before);
    EXPECT_EQ(got.update.time_after, u.time_after);
    EXPECT_TRUE(got.update.has_packets);
    EXPECT_EQ(got.update.request_packet[0], 0x23);
    EXPECT_EQ(got.update.reply_packet[47], 0x99);
    EXPECT_TRUE(got.update.has_time_word);
    EXPECT_EQ(got.update.time_word, 0x80EAFFC1u);
    EXPECT_EQ(got.update.kiss_code, "RATE");
    EXPECT_EQ(got.update.error_text, "Error text");
    // An IPv6 server's sixteen bytes.
    u.server_family = kAddressFamilyIpv6;
    u.server_address6[15] = 1;  // ::1
    const Bytes encoded6 = EncodeAnswer(sent);
    ASSERT_EQ(DecodeAnswer(encoded6.data(), encoded6.size(), &got), MessageFault::kNone);
    EXPECT_EQ(got.update.server_family, kAddressFamilyIpv6);
    EXPECT_EQ(got.update.server_address6[15], 1);

    Answer status;
    status.type = kAnswerStatus;
    status.status.version_text = "1.72";
    status.status.broadcast.sequence = 7;
    status.status.broadcast.sender_address = 0x020200C0;
    status.status.broadcast.time_after = {2026, 12, 2, 8, 11, 5, 8, 1};
    status.status.broadcast.stratum = 9;
    const Bytes status_bytes = EncodeAnswer(status);
    ASSERT_EQ(DecodeAnswer(status_bytes.data(), status_bytes.size(), &got), MessageFault::kNone);
    EXPECT_EQ(got.status.version_text, "1.72");
    EXPECT_EQ(got.status.broadcast.sequence, 7u);
    EXPECT_EQ(got.status.broadcast.sender_address, 0x020200C0u);
    EXPECT_EQ(got.status.broadcast.time_after, status.status.broadcast.time_after);
    EXPECT_EQ(got.status.broadcast.stratum, 9);
}

TEST(TimeServiceMessagesTest, ATextLongerThanItsFieldIsCutToFitWhenSent) {
    Answer sent;
    sent.type = kAnswerError;
    // 255 bytes hold 127 two-byte characters and half of one more: the
    // cut takes the 127 whole ones.
    std::string cyrillic;
    for (int i = 0; i < 200; ++i)
        cyrillic += "\u0416";
    const struct {
        std::string text;
        std::string received;
    } cases[] = {
        {std::string(400, 'y'), std::string(kMessageTextCapacity - 1, 'y')},
        {cyrillic, cyrillic.substr(0, 254)},
    };
    for (const auto& c : cases) {
        sent.error_text = c.text;
        const Bytes encoded = EncodeAnswer(sent);
        ASSERT_EQ(encoded.size(), EncodeAnswer(Answer()).size());
        Answer got;
        ASSERT_EQ(DecodeAnswer(encoded.data(), encoded.size(), &got), MessageFault::kNone);
        EXPECT_EQ(got.error_text, c.received);
    }
}

}  // namespace
}  // namespace orvane
