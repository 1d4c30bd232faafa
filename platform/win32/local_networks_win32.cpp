#include "platform/win32/local_networks_win32.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace orvane {

int Win32LocalNetworks::ListInterfaces(std::vector<LocalInterface>* interfaces) {
    interfaces->clear();
    ULONG size = 0;
    DWORD error = GetIpAddrTable(nullptr, &size, FALSE);
    // The table can grow between the two calls: asked again a few times.
    for (int attempt = 0; attempt < 3 && error == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        std::vector<unsigned char> buffer(size);
        auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
        error = GetIpAddrTable(table, &size, FALSE);
        if (error == NO_ERROR) {
            for (DWORD i = 0; i < table->dwNumEntries; ++i) {
                LocalInterface entry;
                entry.address = table->table[i].dwAddr;
                entry.mask = table->table[i].dwMask;
                interfaces->push_back(entry);
            }
            return 0;
        }
    }
    return static_cast<int>(error);
}

}  // namespace orvane
