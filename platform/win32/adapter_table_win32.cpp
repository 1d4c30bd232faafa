#include "platform/win32/adapter_table_win32.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

namespace orvane {

bool Win32AdapterTable::ListIpv4Subnets(std::vector<Ipv4Subnet>* subnets) {
    subnets->clear();
    // The table can grow between the size query and the read: ask again.
    std::vector<unsigned char> buffer(sizeof(MIB_IPADDRTABLE));
    for (int attempt = 0; attempt < 3; ++attempt) {
        ULONG size = static_cast<ULONG>(buffer.size());
        auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
        const DWORD error = GetIpAddrTable(table, &size, FALSE);
        if (error == ERROR_INSUFFICIENT_BUFFER) {
            buffer.resize(size);
            continue;
        }
        if (error != NO_ERROR)
            return false;
        for (DWORD i = 0; i < table->dwNumEntries; ++i) {
            Ipv4Subnet subnet;
            subnet.address = table->table[i].dwAddr;  // network order, as Winsock keeps it
            subnet.mask = table->table[i].dwMask;
            subnets->push_back(subnet);
        }
        return true;
    }
    return false;
}

}  // namespace orvane
