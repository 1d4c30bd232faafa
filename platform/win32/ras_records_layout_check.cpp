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

ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNW, dwSize);
ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNW, hrasconn);
ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNW, szEntryName);
ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNW, szDeviceType);
ORVANE_SAME_FIELD(rr::ConnectionRecord, RASCONNW, szDeviceName);
static_assert(sizeof(rr::ConnectionRecord) == sdk::kConnectionSize, "RASCONNW size");
#ifdef _WIN64
static_assert(offsetof(rr::ConnectionRecord, hrasconn) == 4, "RASCONNW handle at 4 in x64");
#endif

ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSW, dwSize);
ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSW, rasconnstate);
ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSW, dwError);
ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSW, szDeviceType);
ORVANE_SAME_FIELD(rr::ConnectionStatusRecord, RASCONNSTATUSW, szDeviceName);
static_assert(sizeof(rr::ConnectionStatusRecord) == sdk::kConnectionStatusSize,
              "RASCONNSTATUSW size");

ORVANE_SAME_FIELD(rr::EntryNameRecord, RASENTRYNAMEW, dwSize);
ORVANE_SAME_FIELD(rr::EntryNameRecord, RASENTRYNAMEW, szEntryName);
static_assert(sizeof(rr::EntryNameRecord) == sdk::kEntryNameSize, "RASENTRYNAMEW size");

ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSW, dwSize);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSW, szEntryName);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSW, szPhoneNumber);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSW, szCallbackNumber);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSW, szUserName);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSW, szPassword);
ORVANE_SAME_FIELD(rr::DialParamsRecord, RASDIALPARAMSW, szDomain);
static_assert(sizeof(rr::DialParamsRecord) == sdk::kDialParamsSize, "RASDIALPARAMSW size");

#undef ORVANE_SAME_FIELD

}  // namespace
}  // namespace orvane
