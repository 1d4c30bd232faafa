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

#include "support/fake_clock.h"
#include "platform/posix/file_system_posix.h"
#include "platform/fixed_text.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

class LogFolderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = CurrentSettings();
        char pattern[] = "/tmp/orvane_log_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        UseClock(&clock_);
        UseFileSystem(&file_system_);
        clock_.SetDateText("15/03/2024");
        clock_.SetLocal(SystemTime{2024, 3, 5, 15, 12, 0, 0, 0});
        UpdateSettings([&](SettingsRecord& s) {
            s.enable_logging = 1;
            s.logging_level = 1;
        });
        SetLogFolder(root_ + "/logs");
    }

    void TearDown() override {
        UseFileSystem(nullptr);
        UseClock(nullptr);
        UpdateSettings([&](SettingsRecord& live) { live = saved_; });
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    static void SetLogFolder(const std::string& folder) {
        UpdateSettings([&](SettingsRecord& live) { CopyToField(live.logfile_path, folder); });
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
