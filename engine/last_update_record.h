// The outcome of the latest successful update or broadcast, shown by the
// status dialog. One record per process, written by the update thread, the
// dial-up event threads and the broadcast listener, read by the user
// interface: every access copies the whole record under a lock, so no
// reader ever sees half of an update.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/clock_types.h"
#include "platform/fixed_text.h"
#include "platform/sockets.h"

namespace orvane {

constexpr std::size_t kRecordServerNameCapacity = 260;
constexpr std::size_t kRecordLinkTextCapacity = 1000;

struct LastUpdateRecord {
    SystemTime time_before;             // local time just before the clock was set
    SystemTime time_after;              // local time just after
    std::int32_t round_trip_delay = 0;  // milliseconds; 0 for a broadcast
    std::int32_t protocol = 0;          // 1 SNTP, 2 TIME/UDP, 3 TIME/TCP, 4 SNTP broadcast
    std::int32_t version_number = 0;    // protocols 1 and 4 only
    std::int32_t stratum = 0;           // protocols 1 and 4 only
    TextField<kRecordServerNameCapacity> server_name = {};
    char link_text[kRecordLinkTextCapacity] = {};
    net::SocketAddress server_address;
    std::int32_t valid = 0;  // 0 until the first success after engine start
};

// A copy of the record as it is now.
LastUpdateRecord CopyLastUpdateRecord();
// Replaces the whole record.
void StoreLastUpdateRecord(const LastUpdateRecord& record);
// Changes the record in place under the lock and returns a copy of the
// result. The change must not call back into this module.
LastUpdateRecord ModifyLastUpdateRecord(const std::function<void(LastUpdateRecord&)>& change);

}  // namespace orvane
