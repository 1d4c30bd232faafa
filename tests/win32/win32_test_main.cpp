// Runs the Win32-layer tests with Winsock started, as the programs do.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0)
        return 2;
    ::testing::InitGoogleTest(&argc, argv);
    int result = RUN_ALL_TESTS();
    WSACleanup();
    return result;
}
