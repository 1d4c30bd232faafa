#include "platform/win32/local_networks_win32.h"

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>

#include "platform/win32/system_library.h"

namespace orvane {

namespace {

using GetIpAddrTableFunction = decltype(&::GetIpAddrTable);

struct IpAddressTable {
    GetIpAddrTableFunction function = nullptr;
    DWORD missing_error = ERROR_SUCCESS;  // why function is null
};

// iphlpapi.dll is not one of the libraries Windows always takes from the
// system folder, so importing it would let a copy planted beside Setup.exe
// load, as administrator, before any code of ours runs. It is looked up
// from the system folder when first needed instead, and kept loaded.
const IpAddressTable& IpAddressTableLookup() {
    static const IpAddressTable table = [] {
        IpAddressTable found;
        HMODULE library = LoadSystemLibrary("iphlpapi.dll");
        if (library == nullptr) {
            found.missing_error = ERROR_MOD_NOT_FOUND;
            return found;
        }
        found.function = reinterpret_cast<GetIpAddrTableFunction>(
            reinterpret_cast<void*>(GetProcAddress(library, "GetIpAddrTable")));
        if (found.function == nullptr)
            found.missing_error = ERROR_PROC_NOT_FOUND;
        return found;
    }();
    return table;
}

}  // namespace

int Win32LocalNetworks::ListInterfaces(std::vector<LocalInterface>* interfaces) {
    interfaces->clear();
    const IpAddressTable& lookup = IpAddressTableLookup();
    if (lookup.function == nullptr)
        return static_cast<int>(lookup.missing_error);
    ULONG size = 0;
    DWORD error = lookup.function(nullptr, &size, FALSE);
    // The table can grow between the two calls: asked again a few times.
    for (int attempt = 0; attempt < 3 && error == ERROR_INSUFFICIENT_BUFFER; ++attempt) {
        std::vector<unsigned char> buffer(size);
        auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
        error = lookup.function(table, &size, FALSE);
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
