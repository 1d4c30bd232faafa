#include "platform/win32/local_networks_win32.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "platform/win32/system_library.h"

namespace orvane {

namespace {

using GetIpAddrTableFunction = DWORD(WINAPI*)(PMIB_IPADDRTABLE, PULONG, BOOL);

// iphlpapi.dll is not one of the libraries Windows always takes from the
// system folder, so importing it would let a copy planted beside Setup.exe
// load, as administrator, before any code of ours runs. It is looked up
// from the system folder when first needed instead, and kept loaded.
GetIpAddrTableFunction IpAddressTableFunction() {
    static const GetIpAddrTableFunction function = [] {
        HMODULE library = LoadSystemLibrary("iphlpapi.dll");
        return library == nullptr
                   ? nullptr
                   : reinterpret_cast<GetIpAddrTableFunction>(
                         reinterpret_cast<void*>(GetProcAddress(library, "GetIpAddrTable")));
    }();
    return function;
}

}  // namespace

int Win32LocalNetworks::ListInterfaces(std::vector<LocalInterface>* interfaces) {
    interfaces->clear();
    const GetIpAddrTableFunction get_ip_addr_table = IpAddressTableFunction();
    if (get_ip_addr_table == nullptr)
        return static_cast<int>(ERROR_PROC_NOT_FOUND);
    ULONG size = 0;
    DWORD error = get_ip_addr_table(nullptr, &size, FALSE);
    // The table can grow between the two calls: asked again a few times.
    for (int attempt = 0; attempt < 3 && error == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        std::vector<unsigned char> buffer(size);
        auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
        error = get_ip_addr_table(table, &size, FALSE);
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
