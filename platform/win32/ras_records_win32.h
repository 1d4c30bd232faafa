// The Remote Access records in their first published layouts (the forms
// of Windows 4.0), wide-character forms, defined here rather than taken
// from the SDK header so that a newer default layout can never slip in.
// Like the SDK header they are packed to 4 bytes, so their sizes are the
// sizes the size fields carry: 816, 304, 520 and 2096 bytes in a 32-bit
// build; 820, 304, 520 and 2096 bytes in a 64-bit one, whose connection
// handle sits at offset 4. ras_records_layout_check.cpp proves them
// against the SDK's records.
#pragma once

#include <windows.h>

namespace orvane {
namespace ras_records {

// The SDK's limits (RAS_MaxEntryName, UNLEN, PWLEN, DNLEN, ...), in UTF-16
// units without the terminator.
constexpr int kMaxEntryName = 256;
constexpr int kMaxDeviceType = 16;
constexpr int kMaxDeviceName = 128;
constexpr int kMaxPhoneNumber = 128;
constexpr int kMaxCallbackNumber = 128;
constexpr int kMaxUserName = 256;
constexpr int kMaxPassword = 256;
constexpr int kMaxDomain = 15;

#pragma pack(push, 4)

struct ConnectionRecord {  // RASCONNW
    DWORD dwSize;
    HANDLE hrasconn;
    WCHAR szEntryName[kMaxEntryName + 1];
    WCHAR szDeviceType[kMaxDeviceType + 1];
    WCHAR szDeviceName[kMaxDeviceName + 1];
};

struct ConnectionStatusRecord {  // RASCONNSTATUSW
    DWORD dwSize;
    DWORD rasconnstate;
    DWORD dwError;
    WCHAR szDeviceType[kMaxDeviceType + 1];
    WCHAR szDeviceName[kMaxDeviceName + 1];
};

struct EntryNameRecord {  // RASENTRYNAMEW
    DWORD dwSize;
    WCHAR szEntryName[kMaxEntryName + 1];
};

struct DialParamsRecord {  // RASDIALPARAMSW
    DWORD dwSize;
    WCHAR szEntryName[kMaxEntryName + 1];
    WCHAR szPhoneNumber[kMaxPhoneNumber + 1];
    WCHAR szCallbackNumber[kMaxCallbackNumber + 1];
    WCHAR szUserName[kMaxUserName + 1];
    WCHAR szPassword[kMaxPassword + 1];
    WCHAR szDomain[kMaxDomain + 1];
};

#pragma pack(pop)

#ifdef _WIN64
static_assert(sizeof(ConnectionRecord) == 820, "64-bit connection record");
#else
static_assert(sizeof(ConnectionRecord) == 816, "32-bit connection record");
#endif
static_assert(sizeof(ConnectionStatusRecord) == 304, "connection status record");
static_assert(sizeof(EntryNameRecord) == 520, "entry name record");
static_assert(sizeof(DialParamsRecord) == 2096, "dial parameters record");

// The entry points, as the library exports them. Buffer sizes of
// RasGetErrorStringW count characters (UTF-16 units).
using DialNotifierFunction = VOID(WINAPI*)(UINT message, DWORD state, DWORD error);
using EnumConnectionsFunction = DWORD(WINAPI*)(ConnectionRecord*, LPDWORD bytes, LPDWORD count);
using GetErrorStringFunction = DWORD(WINAPI*)(UINT error, LPWSTR text, DWORD size);
using EnumEntriesFunction = DWORD(WINAPI*)(LPCWSTR reserved, LPCWSTR phone_book,
                                           EntryNameRecord*, LPDWORD bytes, LPDWORD count);
using GetEntryDialParamsFunction = DWORD(WINAPI*)(LPCWSTR phone_book, DialParamsRecord*,
                                                  LPBOOL password_stored);
using HangUpFunction = DWORD(WINAPI*)(HANDLE connection);
using GetConnectStatusFunction = DWORD(WINAPI*)(HANDLE connection, ConnectionStatusRecord*);
using DialFunction = DWORD(WINAPI*)(LPVOID extensions, LPCWSTR phone_book, DialParamsRecord*,
                                    DWORD notifier_type, LPVOID notifier, HANDLE* connection);

}  // namespace ras_records
}  // namespace orvane
