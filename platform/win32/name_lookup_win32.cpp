#include "platform/win32/name_lookup_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <cstring>

namespace orvane {

bool Win32NameLookup::LookUpAddress(const std::string& host_name, std::uint32_t* address) {
    const hostent* host = gethostbyname(host_name.c_str());
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr) {
        return false;
    }
    // Never more than the four bytes an IPv4 address has, whatever the
    // entry claims.
    std::uint32_t value = 0;
    std::size_t length = host->h_length > 0 ? static_cast<std::size_t>(host->h_length) : 0;
    if (length > sizeof value)
        length = sizeof value;
    std::memcpy(&value, host->h_addr_list[0], length);
    *address = value;
    return true;
}

bool Win32NameLookup::LookUpHostName(std::uint32_t address, std::string* host_name) {
    const hostent* host = gethostbyaddr(reinterpret_cast<const char*>(&address), 4, AF_INET);
    if (host == nullptr || host->h_name == nullptr)
        return false;
    *host_name = host->h_name;
    return true;
}

}  // namespace orvane
