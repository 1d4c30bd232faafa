// The first published layouts of the Remote Access records (the wide
// forms the program calls), measured from the Windows SDK header's own
// definitions. Each later layout only appends fields, so the first one
// ends where the first appended field begins, rounded up to the header's
// packing. (mingw-w64's ras.h declares the latest layouts whatever WINVER
// says, so the first cannot be had by compiling for Windows 4.0; it is
// measured this way instead.) Used to check the program's own records at
// compile time and by the tests' stand-in library.
#pragma once

#include <winsock2.h>
#include <windows.h>
#include <ras.h>

#include <cstddef>

namespace orvane {
namespace ras_sdk {

constexpr DWORD FirstLayoutSize(std::size_t end, std::size_t alignment) {
    return static_cast<DWORD>((end + alignment - 1) / alignment * alignment);
}

constexpr DWORD kConnectionSize =
    FirstLayoutSize(offsetof(RASCONNW, szPhonebook), alignof(RASCONNW));
constexpr DWORD kConnectionStatusSize =
    FirstLayoutSize(offsetof(RASCONNSTATUSW, szPhoneNumber), alignof(RASCONNSTATUSW));
constexpr DWORD kEntryNameSize =
    FirstLayoutSize(offsetof(RASENTRYNAMEW, dwFlags), alignof(RASENTRYNAMEW));
constexpr DWORD kDialParamsSize =
    FirstLayoutSize(offsetof(RASDIALPARAMSW, dwSubEntry), alignof(RASDIALPARAMSW));

}  // namespace ras_sdk
}  // namespace orvane
