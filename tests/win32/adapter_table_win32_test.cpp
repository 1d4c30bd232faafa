#include "platform/win32/adapter_table_win32.h"

#include <gtest/gtest.h>

#include "platform/sockets.h"

namespace orvane {
namespace {

TEST(Win32AdapterTableTest, ListsTheLoopbackAdapterWithItsMask) {
    Win32AdapterTable table;
    std::vector<Ipv4Subnet> subnets;
    ASSERT_TRUE(table.ListIpv4Subnets(&subnets));
    bool loopback = false;
    for (const Ipv4Subnet& subnet : subnets) {
        loopback = loopback || (subnet.address == net::HostToNetwork32(0x7F000001) &&
                                subnet.mask == net::HostToNetwork32(0xFF000000));
    }
    EXPECT_TRUE(loopback) << subnets.size() << " entries";
}

}  // namespace
}  // namespace orvane
