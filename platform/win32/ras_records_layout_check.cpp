// Compile-time proof that the program's Remote Access records lie in memory
// exactly as the Windows SDK header lays out the first published records:
// every field at the SDK's offset and every record of the SDK's size. The
// 64-bit connection record is where a natural layout goes wrong (424 bytes,
// handle at 8, against the SDK's 4-byte packing: 416, handle at 4).
#include "platform/win32/ras_records_win32.h"
#include "platform/win32/ras_sdk_layouts.h"

namespace orvane {
namespace {

namespace rr = ras_records;
namespace sdk = ras_sdk;

#define ORVANE_SAME_FIELD(ours, theirs, field)                          \
    static_assert(offsetof(ours, field) == offsetof(theirs, field) &&   \
                      sizeof(static_cast<ours*>(nullptr)->field) ==     \
                          sizeof(static_cast<theirs*>(nullptr)->field), \
                  #ours "::" #field " differs from the SDK's " #theirs)

ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNA, dwSize);
ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNA, hrasconn);
ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNA, szEntryName);
ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNA, szDeviceType);
ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNA, szDeviceName);
static_assert(sizeof(rr::ConnectionRecord) == sdk::kConnectionSize, "RASCONNA size");

ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSA, dwSize);
ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSA, rasconnstate);
ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSA, dwError);
ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSA, szDeviceType);
ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSA, szDeviceName);
static_assert(sizeof(rr::ConnectionStatusRecord) == sdk::kConnectionStatusSize,
              "RASCONNSTATUSA size");

ORVANE_SAME_FIELD(rr::EntryNameRecord, RASENTRYNAMEA, dwSize);
ORVANE_SAME_FIELD(rr::EntryNameRecord, RASENTRYNAMEA, szEntryName);
static_assert(sizeof(rr::EntryNameRecord) == sdk::kEntryNameSize, "RASENTRYNAMEA size");

ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSA, dwSize);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSA, szEntryName);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSA, szPhoneNumber);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSA, szCallbackNumber);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSA, szUserName);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSA, szPassword);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSA, szDomain);
static_assert(sizeof(rr::DialParamsRecord) == sdk::kDialParamsSize, "RASDIALPARAMSA size");

#undef ORVANE_SAME_FIELD

}  // namespace
}  // namespace orvane
