#include "service/time_service_messages.h"

#include <cstring>

#include "platform/fixed_text.h"

namespace orvane {

namespace {

class Writer {
  public:
    explicit Writer(std::size_t size) : bytes_(size, 0) {}

    void U16(std::uint16_t value) {
        bytes_[at_++] = static_cast<std::uint8_t>(value);
        bytes_[at_++] = static_cast<std::uint8_t>(value >> 8);
    }
    void U32(std::uint32_t value) {
        U16(static_cast<std::uint16_t>(value));
        U16(static_cast<std::uint16_t>(value >> 16));
    }
    void I32(std::int32_t value) { U32(static_cast<std::uint32_t>(value)); }
    void I64(std::int64_t value) {
        U32(static_cast<std::uint32_t>(value));
        U32(static_cast<std::uint32_t>(static_cast<std::uint64_t>(value) >> 32));
    }
    void Bytes(const void* data, std::size_t size) {
        std::memcpy(&bytes_[at_], data, size);
        at_ += size;
    }
    // An address or port kept in network order: its bytes as they lie.
    void Raw32(std::uint32_t value) { Bytes(&value, 4); }
    void Time(const SystemTime& t) {
        for (std::uint16_t field : {t.wYear, t.wMonth, t.wDayOfWeek, t.wDay, t.wHour, t.wMinute,
                                    t.wSecond, t.wMilliseconds})
            U16(field);
    }
    // Cut on a whole UTF-8 character to leave room for the terminator; the
    // rest stays zero.
    void Text(const std::string& text, std::size_t capacity) {
        const std::size_t length = Utf8CutLength(text.data(), text.size(), capacity - 1);
        std::memcpy(&bytes_[at_], text.data(), length);
        at_ += capacity;
    }
    void Header(MessageType type) {
        U32(kMessageMagic);
        U16(kMessageLayoutVersion);
        U16(type);
        U32(static_cast<std::uint32_t>(bytes_.size()));
    }
    std::vector<std::uint8_t> Take() { return std::move(bytes_); }

  private:
    std::vector<std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

// Reads a record whose size has already been checked against its type.
class Reader {
  public:
    explicit Reader(const std::uint8_t* data) : data_(data) {}

    std::uint16_t U16() {
        const std::uint16_t value = static_cast<std::uint16_t>(data_[at_] | (data_[at_ + 1] << 8));
        at_ += 2;
        return value;
    }
    std::uint32_t U32() {
        const std::uint32_t low = U16();
        return low | (static_cast<std::uint32_t>(U16()) << 16);
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    std::int64_t I64() {
        const std::uint64_t low = U32();
        return static_cast<std::int64_t>(low | (static_cast<std::uint64_t>(U32()) << 32));
    }
    void Bytes(void* out, std::size_t size) {
        std::memcpy(out, data_ + at_, size);
        at_ += size;
    }
    std::uint32_t Raw32() {
        std::uint32_t value = 0;
        Bytes(&value, 4);
        return value;
    }
    // False for a time no SYSTEMTIME can hold; all zeros means none.
    bool Time(SystemTime* t) {
        t->wYear = U16();
        t->wMonth = U16();
        t->wDayOfWeek = U16();
        t->wDay = U16();
        t->wHour = U16();
        t->wMinute = U16();
        t->wSecond = U16();
        t->wMilliseconds = U16();
        if (*t == SystemTime())
            return true;
        return t->wMonth >= 1 && t->wMonth <= 12 && t->wDayOfWeek <= 6 && t->wDay >= 1 &&
               t->wDay <= 31 && t->wHour <= 23 && t->wMinute <= 59 && t->wSecond <= 59 &&
               t->wMilliseconds <= 999;
    }
    // The field's text; a fault when it has no terminator or bytes after it.
    MessageFault Text(std::size_t capacity, std::string* text) {
        const std::uint8_t* field = data_ + at_;
        at_ += capacity;
        const void* end = std::memchr(field, 0, capacity);
        if (end == nullptr)
            return MessageFault::kTextTooLong;
        const std::size_t length = static_cast<const std::uint8_t*>(end) - field;
        for (std::size_t i = length; i < capacity; ++i) {
            if (field[i] != 0)
                return MessageFault::kBadField;
        }
        text->assign(reinterpret_cast<const char*>(field), length);
        return MessageFault::kNone;
    }

  private:
    const std::uint8_t* data_;
    std::size_t at_ = 0;
};

// Four printable characters with the flag, four zeros without.
bool KissCodeValid(const std::uint8_t code[kKissCodeSize], bool flagged) {
    for (std::size_t i = 0; i < kKissCodeSize; ++i) {
        const bool fits = flagged ? code[i] >= ' ' && code[i] <= '~' : code[i] == 0;
        if (!fits)
            return false;
    }
    return true;
}

// A known family, zero padding, and no bytes beyond an IPv4 address's four
// (none at all without a family).
bool AddressValid(std::uint16_t family, std::uint16_t padding,
                  const std::uint8_t address[kAddressBytes]) {
    if (padding != 0)
        return false;
    std::size_t used = 0;
    if (family == kAddressFamilyIpv4)
        used = 4;
    else if (family == kAddressFamilyIpv6)
        used = kAddressBytes;
    else if (family != kAddressFamilyNone)
        return false;
    for (std::size_t i = used; i < kAddressBytes; ++i) {
        if (address[i] != 0)
            return false;
    }
    return true;
}

bool IsFlag(std::int32_t value) {
    return value == 0 || value == 1;
}

// The sizes a record of the type may have: a request with an optional
// tail has two. {0, 0} for no such type.
struct SizeRange {
    std::size_t shortest = 0;
    std::size_t longest = 0;
};

SizeRange RequestSize(std::uint16_t type) {
    switch (type) {
        case kRequestUpdate:
            return {kUpdateRequestSize, kUpdateRequestWithTailSize};
        case kRequestStatus:
            return {kStatusRequestSize, kStatusRequestSize};
        default:
            return {};
    }
}

SizeRange AnswerSize(std::uint16_t type) {
    switch (type) {
        case kAnswerUpdate:
            return {kUpdateAnswerSize, kUpdateAnswerSize};
        case kAnswerStatus:
            return {kStatusAnswerSize, kStatusAnswerSize};
        case kAnswerError:
            return {kErrorAnswerSize, kErrorAnswerSize};
        default:
            return {};
    }
}

// The header's checks; on success `type` holds the record's type and the
// reader stands after the header.
MessageFault CheckHeader(const std::uint8_t* data, std::size_t size,
                         SizeRange (*size_of_type)(std::uint16_t), Reader& reader,
                         std::uint16_t* type) {
    if (data == nullptr || size < kMessageHeaderSize)
        return MessageFault::kTooShort;
    if (reader.U32() != kMessageMagic)
        return MessageFault::kBadMagic;
    if (reader.U16() != kMessageLayoutVersion)
        return MessageFault::kWrongVersion;
    *type = reader.U16();
    const SizeRange expected = size_of_type(*type);
    if (expected.shortest == 0)
        return MessageFault::kUnknownType;
    if (size < expected.shortest)
        return MessageFault::kTooShort;
    if (size > expected.longest)
        return MessageFault::kTooLong;
    // Nothing between the two sizes: a tail is whole or absent.
    if (size != expected.shortest && size != expected.longest)
        return MessageFault::kTooShort;
    if (reader.U32() != size)
        return MessageFault::kLengthMismatch;
    return MessageFault::kNone;
}

}  // namespace

std::string MessageFaultText(MessageFault fault) {
    switch (fault) {
        case MessageFault::kNone:
            return "";
        case MessageFault::kTooShort:
            return "Malformed request: too short";
        case MessageFault::kTooLong:
            return "Malformed request: too long";
        case MessageFault::kBadMagic:
            return "Malformed request: not an Orvane record";
        case MessageFault::kWrongVersion:
            return "Malformed request: unsupported layout version";
        case MessageFault::kUnknownType:
            return "Malformed request: unknown request";
        case MessageFault::kLengthMismatch:
            return "Malformed request: length field does not match";
        case MessageFault::kTextTooLong:
            return "Malformed request: text field too long";
        case MessageFault::kBadField:
            return "Malformed request: field out of range";
    }
    return "Malformed request";
}

std::vector<std::uint8_t> EncodeRequest(const Request& request) {
    const bool tail = request.type == kRequestUpdate && request.update.has_tail;
    Writer w(tail ? kUpdateRequestWithTailSize : kMessageHeaderSize);
    w.Header(request.type);
    if (tail)
        w.U32(request.update.flags);
    return w.Take();
}

std::vector<std::uint8_t> EncodeAnswer(const Answer& answer) {
    const std::size_t size = AnswerSize(answer.type).shortest;
    Writer w(size == 0 ? kMessageHeaderSize : size);
    w.Header(answer.type);
    switch (answer.type) {
        case kAnswerUpdate: {
            const UpdateAnswer& u = answer.update;
            w.I32(u.result);
            w.I32(u.clock_error);
            w.I32(u.protocol);
            w.I32(u.delay_ms);
            w.I32(u.version);
            w.I32(u.stratum);
            w.U16(u.server_family);
            w.U16(0);
            std::uint8_t address[kAddressBytes] = {};
            if (u.server_family == kAddressFamilyIpv4)
                std::memcpy(address, &u.server_address, 4);
            else if (u.server_family == kAddressFamilyIpv6)
                std::memcpy(address, u.server_address6, kAddressBytes);
            w.Bytes(address, kAddressBytes);
            w.Time(u.time_before);
            w.Time(u.time_after);
            const bool has_kiss = u.kiss_code.size() == kKissCodeSize;
            w.U32((u.has_packets ? kUpdateHasPackets : 0) |
                  (u.has_time_word ? kUpdateHasTimeWord : 0) | (has_kiss ? kUpdateHasKissCode : 0) |
                  (u.awaits_confirmation ? kUpdateAwaitsConfirmation : 0) |
                  (u.server_answered ? kUpdateServerAnswered : 0));
            w.Bytes(u.request_packet, kMessagePacketSize);
            w.Bytes(u.reply_packet, kMessagePacketSize);
            w.U32(u.time_word);
            std::uint8_t kiss[kKissCodeSize] = {};
            if (has_kiss)
                std::memcpy(kiss, u.kiss_code.data(), kKissCodeSize);
            w.Bytes(kiss, kKissCodeSize);
            w.I64(u.correction_ms);
            w.Text(u.error_text, kMessageTextCapacity);
            break;
        }
        case kAnswerStatus: {
            w.Text(answer.status.version_text, kStatusVersionCapacity);
            w.U32(answer.status.holds_privilege ? 1 : 0);
            const AppliedBroadcast& b = answer.status.broadcast;
            w.U32(b.sequence);
            w.Raw32(b.sender_address);
            w.Time(b.time_before);
            w.Time(b.time_after);
            w.I32(b.version);
            w.I32(b.stratum);
            break;
        }
        case kAnswerError:
            w.Text(answer.error_text, kMessageTextCapacity);
            break;
        default:
            break;
    }
    return w.Take();
}

MessageFault DecodeRequest(const std::uint8_t* data, std::size_t size, Request* request) {
    Reader r(data);
    std::uint16_t type = 0;
    const MessageFault fault = CheckHeader(data, size, &RequestSize, r, &type);
    if (fault != MessageFault::kNone)
        return fault;
    Request decoded;
    decoded.type = static_cast<MessageType>(type);
    if (type == kRequestUpdate && size == kUpdateRequestWithTailSize) {
        decoded.update.has_tail = true;
        decoded.update.flags = r.U32();
        if ((decoded.update.flags & ~(kUpdateAutomatic | kUpdateConfirmed | kUpdateNextTry)) != 0)
            return MessageFault::kBadField;
    }
    *request = decoded;
    return MessageFault::kNone;
}

MessageFault DecodeAnswer(const std::uint8_t* data, std::size_t size, Answer* answer) {
    Reader r(data);
    std::uint16_t type = 0;
    MessageFault fault = CheckHeader(data, size, &AnswerSize, r, &type);
    if (fault != MessageFault::kNone)
        return fault;
    Answer decoded;
    decoded.type = static_cast<MessageType>(type);
    switch (type) {
        case kAnswerUpdate: {
            UpdateAnswer& u = decoded.update;
            u.result = r.I32();
            u.clock_error = r.I32();
            u.protocol = r.I32();
            u.delay_ms = r.I32();
            u.version = r.I32();
            u.stratum = r.I32();
            u.server_family = r.U16();
            const std::uint16_t address_padding = r.U16();
            std::uint8_t address[kAddressBytes] = {};
            r.Bytes(address, kAddressBytes);
            if (!AddressValid(u.server_family, address_padding, address))
                return MessageFault::kBadField;
            if (u.server_family == kAddressFamilyIpv4)
                std::memcpy(&u.server_address, address, 4);
            else if (u.server_family == kAddressFamilyIpv6)
                std::memcpy(u.server_address6, address, kAddressBytes);
            const bool before_valid = r.Time(&u.time_before);
            const bool times_valid = r.Time(&u.time_after) && before_valid;
            const std::uint32_t flags = r.U32();
            u.has_packets = (flags & kUpdateHasPackets) != 0;
            u.has_time_word = (flags & kUpdateHasTimeWord) != 0;
            u.awaits_confirmation = (flags & kUpdateAwaitsConfirmation) != 0;
            u.server_answered = (flags & kUpdateServerAnswered) != 0;
            r.Bytes(u.request_packet, kMessagePacketSize);
            r.Bytes(u.reply_packet, kMessagePacketSize);
            u.time_word = r.U32();
            std::uint8_t kiss[kKissCodeSize] = {};
            r.Bytes(kiss, kKissCodeSize);
            u.correction_ms = r.I64();
            fault = r.Text(kMessageTextCapacity, &u.error_text);
            if (fault != MessageFault::kNone)
                return fault;
            if (!IsFlag(u.result) || u.protocol < 0 || u.protocol > 3 || u.version < 0 ||
                u.version > 7 || u.stratum < 0 || u.stratum > 255 || !times_valid ||
                (flags & ~(kUpdateHasPackets | kUpdateHasTimeWord | kUpdateHasKissCode |
                           kUpdateAwaitsConfirmation | kUpdateServerAnswered)) != 0 ||
                !KissCodeValid(kiss, (flags & kUpdateHasKissCode) != 0)) {
                return MessageFault::kBadField;
            }
            if ((flags & kUpdateHasKissCode) != 0)
                u.kiss_code.assign(reinterpret_cast<const char*>(kiss), kKissCodeSize);
            break;
        }
        case kAnswerStatus: {
            fault = r.Text(kStatusVersionCapacity, &decoded.status.version_text);
            if (fault != MessageFault::kNone)
                return fault;
            const std::uint32_t holds = r.U32();
            if (holds > 1)
                return MessageFault::kBadField;
            decoded.status.holds_privilege = holds == 1;
            AppliedBroadcast& b = decoded.status.broadcast;
            b.sequence = r.U32();
            b.sender_address = r.Raw32();
            const bool before_valid = r.Time(&b.time_before);
            const bool times_valid = r.Time(&b.time_after) && before_valid;
            b.version = r.I32();
            b.stratum = r.I32();
            if (!times_valid || b.version < 0 || b.version > 7 || b.stratum < 0 || b.stratum > 255)
                return MessageFault::kBadField;
            break;
        }
        case kAnswerError:
            fault = r.Text(kMessageTextCapacity, &decoded.error_text);
            if (fault != MessageFault::kNone)
                return fault;
            break;
        default:
            break;
    }
    *answer = decoded;
    return MessageFault::kNone;
}

}  // namespace orvane
