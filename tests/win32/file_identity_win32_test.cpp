#include "platform/win32/file_identity.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cctype>
#include <string>

namespace orvane {
namespace {

class Win32FileIdentityTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char temp[MAX_PATH];
        ASSERT_GT(GetTempPathA(MAX_PATH, temp), 0u);
        // A long name with a space, so it has a different short name.
        folder_ = std::string(temp) + "orvane identity " + std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(CreateDirectoryA(folder_.c_str(), nullptr));
        other_ = folder_ + " other";
        ASSERT_TRUE(CreateDirectoryA(other_.c_str(), nullptr));
    }
    void TearDown() override {
        RemoveDirectoryA(other_.c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string folder_;
    std::string other_;
};

TEST_F(Win32FileIdentityTest, OneFolderWhateverItsSpelling) {
    char short_path[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(folder_.c_str(), short_path, MAX_PATH), 0u);
    std::string upper = folder_;
    for (char& c : upper)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& spelling :
         {folder_, folder_ + "\\", std::string(short_path), upper, folder_ + "\\.\\"}) {
        EXPECT_TRUE(IsSameFileSystemItem(folder_, spelling)) << spelling;
    }
    EXPECT_FALSE(IsSameFileSystemItem(folder_, other_));
}

TEST_F(Win32FileIdentityTest, PathsThatAreNotThereCompareByTheirFullText) {
    const std::string missing = folder_ + "\\not there";
    EXPECT_TRUE(IsSameFileSystemItem(missing, missing + "\\"));
    EXPECT_FALSE(IsSameFileSystemItem(missing, missing + "2"));
}

}  // namespace
}  // namespace orvane
