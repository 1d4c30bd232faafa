// A real temporary log folder, the fake clock and the native file system,
// with the live logging settings saved and restored around each test.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/fakes/fake_clock.h"
#include "platform/posix/file_system_posix.h"
#include "settings/fixed_text.h"
#include "settings/settings_record.h"

namespace orvane {

class LogFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = LiveSettings();
        char pattern[] = "/tmp/orvane_log_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        UseClock(&clock_);
        UseFileSystem(&file_system_);
        clock_.SetDateText("15/03/2024");
        clock_.SetLocal(SystemTime{2024, 3, 5, 15, 12, 0, 0, 0});
        SettingsRecord& s = LiveSettings();
        s.enable_logging = 1;
        s.logging_level = 1;
        SetLogFolder(root_ + "/logs");
    }

    void TearDown() override {
        UseFileSystem(nullptr);
        UseClock(nullptr);
        LiveSettings() = saved_;
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    static void SetLogFolder(const std::string& folder) {
        CopyToField(LiveSettings().logfile_path, folder);
    }

    static std::string ReadFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    static bool Exists(const std::string& path) { return std::filesystem::exists(path); }

    FakeClock clock_;
    PosixFileSystem file_system_;
    SettingsRecord saved_;
    std::string root_;
};

}  // namespace orvane
