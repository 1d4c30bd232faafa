#include "service/time_service_messages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

namespace orvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Request(MessageType type) {
    orvane::Request request;
    request.type = type;
    for (std::size_t i = 0; i < kMessagePacketSize; ++i)
        request.broadcast.packet[i] = static_cast<std::uint8_t>(i);
    request.broadcast.sender_address = 0x0100007F;
    request.broadcast.sender_port = 0x7B00;
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
constexpr std::size_t kUpdateBeforeMonthAt = 12 + 28 + 2;
constexpr std::size_t kUpdateFlagsAt = 12 + 28 + 32;
constexpr std::size_t kUpdateTextAt = kUpdateAnswerSize - kMessageTextCapacity;
constexpr std::size_t kUpdateKissAt = kUpdateTextAt - kKissCodeSize;
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
        {"update request with a byte more", true,
         [] { return Resized(Request(kRequestUpdate), 13); }, MessageFault::kTooLong},
        {"status request far too long", true, [] { return Resized(Request(kRequestStatus), 400); },
         MessageFault::kTooLong},
        {"half a broadcast request", true,
         [] { return Resized(Request(kRequestBroadcast), kBroadcastRequestSize / 2); },
         MessageFault::kTooShort},
        {"broadcast request a byte short", true,
         [] { return Resized(Request(kRequestBroadcast), kBroadcastRequestSize - 1); },
         MessageFault::kTooShort},
        {"broadcast request a byte long", true,
         [] { return Resized(Request(kRequestBroadcast), kBroadcastRequestSize + 1); },
         MessageFault::kTooLong},
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
        {"layout version 2", true,
         [] {
             Bytes b = Request(kRequestUpdate);
             PutU16(b, 4, 2);
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
             Bytes b = Request(kRequestBroadcast);
             PutU32(b, 8, 0);
             return b;
         },
         MessageFault::kLengthMismatch},
        {"broadcast padding not zero", true,
         [] {
             Bytes b = Request(kRequestBroadcast);
             b[kBroadcastRequestSize - 1] = 1;
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
             PutU32(b, kUpdateFlagsAt, 8);
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
    EXPECT_EQ(Request(kRequestBroadcast).size(), 68u);
    EXPECT_EQ(AnswerOf(kAnswerUpdate).size(), 436u);
    EXPECT_EQ(AnswerOf(kAnswerBroadcast).size(), 308u);
    EXPECT_EQ(AnswerOf(kAnswerStatus).size(), 48u);
    EXPECT_EQ(AnswerOf(kAnswerError).size(), 268u);
    const Bytes b = Request(kRequestBroadcast);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 12),
              (Bytes{'O', 'R', 'V', 'T', 1, 0, 2, 0, 68, 0, 0, 0}));
    // The sender's address and port as their bytes lie on the wire.
    EXPECT_EQ(Bytes(b.begin() + 60, b.end()), (Bytes{0x7F, 0, 0, 1, 0, 0x7B, 0, 0}));
}

TEST(TimeServiceMessagesTest, RequestsAndAnswersComeBackAsSent) {
    const Bytes bytes = Request(kRequestBroadcast);
    orvane::Request request;
    ASSERT_EQ(DecodeRequest(bytes.data(), bytes.size(), &request), MessageFault::kNone);
    EXPECT_EQ(request.type, kRequestBroadcast);
    EXPECT_EQ(request.broadcast.packet[47], 47);
    EXPECT_EQ(request.broadcast.sender_address, 0x0100007Fu);
    EXPECT_EQ(request.broadcast.sender_port, 0x7B00);

    Answer sent;
    sent.type = kAnswerUpdate;
    UpdateAnswer& u = sent.update;
    u.result = 1;
    u.clock_error = 1314;
    u.protocol = 3;
    u.delay_ms = -2;
    u.version = 4;
    u.stratum = 15;
    u.server_address = 0x0100007F;
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
    EXPECT_EQ(got.update.server_address, 0x0100007Fu);
    EXPECT_EQ(got.update.time_before, u.time_before);
    EXPECT_EQ(got.update.time_after, u.time_after);
    EXPECT_TRUE(got.update.has_packets);
    EXPECT_EQ(got.update.request_packet[0], 0x23);
    EXPECT_EQ(got.update.reply_packet[47], 0x99);
    EXPECT_TRUE(got.update.has_time_word);
    EXPECT_EQ(got.update.time_word, 0x80EAFFC1u);
    EXPECT_EQ(got.update.kiss_code, "RATE");
    EXPECT_EQ(got.update.error_text, "Error text");

    const Bytes status = AnswerOf(kAnswerStatus);
    ASSERT_EQ(DecodeAnswer(status.data(), status.size(), &got), MessageFault::kNone);
    EXPECT_EQ(got.status.version_text, "1.72");
}

TEST(TimeServiceMessagesTest, ATextLongerThanItsFieldIsCutToFitWhenSent) {
    Answer sent;
    sent.type = kAnswerError;
    sent.error_text = std::string(400, 'y');
    const Bytes encoded = EncodeAnswer(sent);
    Answer got;
    ASSERT_EQ(DecodeAnswer(encoded.data(), encoded.size(), &got), MessageFault::kNone);
    EXPECT_EQ(got.error_text, std::string(kMessageTextCapacity - 1, 'y'));
}

}  // namespace
}  // namespace orvane
