// The Win32 pieces the time service and its clients use: the interface
// list, the token query, and the pipe client when no service listens.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/local_networks_win32.h"
#include "platform/win32/process_privileges_win32.h"
#include "platform/win32/time_service_pipe_win32.h"

namespace orvane {
namespace {

TEST(Win32LocalNetworksTest, ListsTheLoopbackInterfaceWithItsMask) {
    Win32LocalNetworks networks;
    std::vector<LocalInterface> interfaces;
    ASSERT_EQ(networks.ListInterfaces(&interfaces), 0);
    bool loopback = false;
    for (const LocalInterface& entry : interfaces) {
        if (entry.address == htonl(INADDR_LOOPBACK)) {
            loopback = true;
            EXPECT_NE(entry.mask, 0u);
        }
    }
    EXPECT_TRUE(loopback);
}

TEST(Win32ProcessPrivilegesTest, AgreesWithAnAttemptToEnableThePrivilege) {
    // Enabling succeeds without ERROR_NOT_ALL_ASSIGNED exactly when the
    // token holds it; nothing is left enabled.
    HANDLE token = nullptr;
    ASSERT_TRUE(
        OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token));
    TOKEN_PRIVILEGES wanted = {};
    wanted.PrivilegeCount = 1;
    wanted.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ASSERT_TRUE(
        LookupPrivilegeValueA(nullptr, "SeSystemtimePrivilege", &wanted.Privileges[0].Luid));
    TOKEN_PRIVILEGES previous = {};
    DWORD length = sizeof previous;
    const bool enabled =
        AdjustTokenPrivileges(token, FALSE, &wanted, sizeof previous, &previous, &length) &&
        GetLastError() == ERROR_SUCCESS;
    if (enabled)
        AdjustTokenPrivileges(token, FALSE, &previous, 0, nullptr, nullptr);
    CloseHandle(token);
    EXPECT_EQ(Win32ProcessPrivileges().HoldsSystemtimePrivilege(), enabled);
}

TEST(Win32TimeServicePipeTest, NoServiceGivesFileNotFound) {
    // Only where no service runs.
    if (WaitNamedPipeA(kTimeServicePipeName, 0) || GetLastError() != ERROR_FILE_NOT_FOUND)
        GTEST_SKIP() << "a time service is running";
    Win32TimeServicePipe pipe;
    std::vector<std::uint8_t> answer = {1, 2, 3};
    EXPECT_EQ(pipe.Exchange({0x4F, 0x52}, 100, 1000, [](std::uint32_t) { return true; }, &answer),
              kErrorPipeNotFound);
    EXPECT_TRUE(answer.empty());
    EXPECT_EQ(pipe.ServiceProcessId(), 0u);
}

// A pipe of that name held by some program (here this test): the client
// learns the holder's process id and, refusing it, writes nothing.
TEST(Win32TimeServicePipeTest, TheHolderIsKnownBeforeAnythingIsSent) {
    if (WaitNamedPipeA(kTimeServicePipeName, 0) || GetLastError() != ERROR_FILE_NOT_FOUND)
        GTEST_SKIP() << "a time service is running";
    HANDLE held = CreateNamedPipeA(kTimeServicePipeName, PIPE_ACCESS_DUPLEX,
                                   PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE, 1, 512, 512, 0,
                                   nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Win32TimeServicePipe pipe;
    std::vector<std::uint8_t> answer;
    std::uint32_t holder = 0;
    EXPECT_EQ(pipe.Exchange({0x4F, 0x52}, 100, 1000,
                            [&holder](std::uint32_t id) {
                                holder = id;
                                return false;
                            },
                            &answer),
              kPipeServerRefused);
    EXPECT_EQ(holder, GetCurrentProcessId());
    DWORD waiting = 0;
    EXPECT_TRUE(PeekNamedPipe(held, nullptr, 0, nullptr, &waiting, nullptr) ||
                GetLastError() == ERROR_BROKEN_PIPE || GetLastError() == ERROR_PIPE_LISTENING);
    EXPECT_EQ(waiting, 0u);
    CloseHandle(held);
}

}  // namespace
}  // namespace orvane
