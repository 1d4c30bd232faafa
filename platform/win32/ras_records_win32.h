// The Remote Access records in their first published layouts (the forms
// of Windows 4.0), defined here rather than taken from the SDK header so
// that a newer default layout can never slip in. Like the SDK header they
// are packed to 4 bytes, so their sizes are the sizes the size fields
// carry: 412, 160, 264 and 1052 bytes in a 32-bit build; 416, 160, 264 and
// 1052 bytes in a 64-bit one, whose connection handle sits at offset 4.
// ras_records_layout_check.cpp proves them against the SDK's records.
#pragma once

#include <windows.h>

namespace orvane {
namespace ras_records {

constexpr int kMaxEntryName = 256;
constexpr int kMaxDeviceType = 16;
constexpr int kMaxDeviceName = 128;
constexpr int kMaxPhoneNumber = 128;
constexpr int kMaxCallbackNumber = 128;
constexpr int kMaxUserName = 256;
constexpr int kMaxPassword = 256;
constexpr int kMaxDomain = 15;

#pragma pack(push, 4)

struct ConnectionRecord {  // RASCONNA
    DWORD dwSize;
    HANDLE hrasconn;
    CHAR szEntryName[kMaxEntryName + 1];
    CHAR szDeviceType[kMaxDeviceType + 1];
    CHAR szDeviceName[kMaxDeviceName + 1];
};

struct ConnectionStatusRecord {  // RASCONNSTATUSA
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    CHAR szDeviceType[kMaxDeviceType + 1];
    CHAR szDeviceName[kMaxDeviceName + 1];
};

struct EntryNameRecord {  // RASENTRYNAMEA
    DWORD dwSize;
    CHAR szEntryName[kMaxEntryName + 1];
};

struct DialParamsRecord {  // RASDIALPARAMSA
    DWORD dwSize;
    CHAR szEntryName[kMaxEntryName + 1];
    CHAR szPhoneNumber[kMaxPhoneNumber + 1];
    CHAR szCallbackNumber[kMaxCallbackNumber + 1];
    CHAR szUserName[kMaxUserName + 1];
    CHAR szPassword[kMaxPassword + 1];
    CHAR szDomain[kMaxDomain + 1];
};

#pragma pack(pop)

#ifdef _WIN64
static_assert(sizeof(ConnectionRecord) == 416, "64-bit connection record");
#else
static_assert(sizeof(ConnectionRecord) == 412, "32-bit connection record");
#endif
static_assert(sizeof(ConnectionStatusRecord) == 160, "connection status record");
static_assert(sizeof(EntryNameRecord) == 264, "entry name record");
static_assert(sizeof(DialParamsRecord) == 1052, "dial parameters record");

// The entry points, as the library exports them.
using DialNotifierFunction = VOID(WINAPI*)(UINT message, DWORD state, DWORD error);
using EnumConnectionsFunction = DWORD(WINAPI*)(ConnectionRecord*, LPDWORD bytes, LPDWORD count);
using GetErrorStringFunction = DWORD(WINAPI*)(UINT error, LPSTR text, DWORD size);
using EnumEntriesFunction = DWORD(WINAPI*)(LPCSTR reserved, LPCSTR phone_book, EntryNameRecord*,
                                           LPDWORD bytes, LPDWORD count);
using GetEntryDialParamsFunction = DWORD(WINAPI*)(LPCSTR phone_book, DialParamsRecord*,
                                                  LPBOOL password_stored);
using HangUpFunction = DWORD(WINAPI*)(HANDLE connection);
using GetConnectStatusFunction = DWORD(WINAPI*)(HANDLE connection, ConnectionStatusRecord*);
using DialFunction = DWORD(WINAPI*)(LPVOID extensions, LPCSTR phone_book, DialParamsRecord*,
                                    DWORD notifier_type, LPVOID notifier, HANDLE* connection);

}  // namespace ras_records
}  // namespace orvane
