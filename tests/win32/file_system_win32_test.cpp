#include "platform/win32/file_system_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "logging/log_cleanup.h"
#include "logging/log_writer.h"
#include "support/fake_clock.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"
#include "platform/win32/wide_text.h"

namespace orvane {
namespace {

class Win32FileSystemTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(::GetTempPathW(MAX_PATH, temp), 0u);
        root_ = Narrow(temp) + "orvane_fs_" + std::to_string(::GetCurrentProcessId()) + "_" +
                std::to_string(::GetTickCount());
        ASSERT_EQ(fs_.MakeDirectory(root_), 0);
    }
    void TearDown() override { RemoveTree(root_); }

    static void RemoveTree(const std::string& folder) {
        WIN32_FIND_DATAW data;
        HANDLE find = ::FindFirstFileW(Widen(folder + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                std::string name = Narrow(data.cFileName);
                if (name == "." || name == "..")
                    continue;
                std::string path = folder + "\\" + name;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    RemoveTree(path);
                } else {
                    ::DeleteFileW(Widen(path).c_str());
                }
            } while (::FindNextFileW(find, &data));
            ::FindClose(find);
        }
        ::RemoveDirectoryW(Widen(folder).c_str());
    }

    static std::string Read(const std::string& path) {
        HANDLE file = ::CreateFileW(Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return "<missing>";
        char buffer[4096];
        DWORD read = 0;
        std::string text;
        while (::ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
            text.append(buffer, read);
        }
        ::CloseHandle(file);
        return text;
    }

    Win32FileSystem fs_;
    std::string root_;
};

TEST_F(Win32FileSystemTest, CreatesFoldersAndReportsWhatIsThere) {
    EXPECT_TRUE(fs_.FolderExists(root_));
    EXPECT_EQ(fs_.MakeDirectory(root_), kErrorAlreadyExists);
    EXPECT_EQ(fs_.MakeDirectory(root_ + "\\a\\b"), kErrorPathNotFound);
    EXPECT_FALSE(fs_.FolderExists(root_ + "\\a"));

    UseFileSystem(&fs_);
    EXPECT_TRUE(CreateDirectoryTree(root_ + "\\a\\b\\c"));
    UseFileSystem(nullptr);
    EXPECT_TRUE(fs_.FolderExists(root_ + "\\a\\b\\c"));
}

TEST_F(Win32FileSystemTest, AppendsCreatingTheFileAndKeepsAsciiAsItIs) {
    const std::string path = root_ + "\\20240315.log";
    ASSERT_TRUE(fs_.AppendToFile(path, "one\r\n"));
    ASSERT_TRUE(fs_.AppendToFile(path, std::string("two\n\0three", 10)));
    EXPECT_EQ(Read(path), std::string("one\r\ntwo\n\0three", 15));
    EXPECT_FALSE(fs_.AppendToFile(root_ + "\\missing\\x.log", "x"));
}

TEST_F(Win32FileSystemTest, ListsMatchingFilesWithSizesAndCreationTimes) {
    ASSERT_TRUE(fs_.AppendToFile(root_ + "\\20240315.log", std::string(1234, 'x')));
    ASSERT_TRUE(fs_.AppendToFile(root_ + "\\20240314.LOG", "y"));
    ASSERT_TRUE(fs_.AppendToFile(root_ + "\\notes.txt", "z"));
    ASSERT_EQ(fs_.MakeDirectory(root_ + "\\folder.log"), 0);

    FILETIME now_ft;
    ::GetSystemTimeAsFileTime(&now_ft);
    const std::uint64_t now =
        (static_cast<std::uint64_t>(now_ft.dwHighDateTime) << 32) | now_ft.dwLowDateTime;

    std::vector<FileEntry> files = fs_.ListFiles(root_ + "\\*.log");
    std::sort(files.begin(), files.end(),
              [](const FileEntry& a, const FileEntry& b) { return a.name < b.name; });
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].name, "20240314.LOG");
    EXPECT_EQ(files[0].size, 1u);
    EXPECT_EQ(files[1].name, "20240315.log");
    EXPECT_EQ(files[1].size, 1234u);
    for (const FileEntry& f : files) {
        // Made within the last hour (in 100 ns units).
        EXPECT_LE(f.creation_time.value, now + 10000000ULL);
        EXPECT_GT(f.creation_time.value + 36000000000ULL, now);
    }
    EXPECT_TRUE(fs_.ListFiles(root_ + "\\nowhere\\*.log").empty());
}

TEST_F(Win32FileSystemTest, DeletesAndReportsTheErrorCode) {
    const std::string path = root_ + "\\20240315.log";
    ASSERT_TRUE(fs_.AppendToFile(path, "x"));
    EXPECT_EQ(fs_.RemoveFile(path), 0);
    EXPECT_EQ(fs_.RemoveFile(path), kErrorFileNotFound);
    EXPECT_TRUE(fs_.ListFiles(root_ + "\\*.log").empty());
}

TEST_F(Win32FileSystemTest, LogEntriesOnDiskHaveCarriageReturns) {
    FakeClock clock;
    clock.SetDateText("15/03/2024");
    clock.SetLocal(SystemTime{2024, 3, 5, 15, 9, 5, 7, 42});
    UseClock(&clock);
    UseFileSystem(&fs_);
    SettingsRecord saved = CurrentSettings();
    const std::string folder = root_ + "\\Data Files\\Pellmoor\\Orvane";
    UpdateSettings([&](SettingsRecord& live) {
        CopyToField(live.logfile_path, folder);
    });

    EXPECT_TRUE(WriteLogEntry("a\nb"));
    EXPECT_EQ(Read(folder + "\\20240315.log"),
              "\r\n15/03/2024 09:05:07.042\r\n\r\na\r\nb\r\n\r\n" + std::string(60, '-') + "\r\n");

    UpdateSettings([&](SettingsRecord& live) { live = saved; });
    UseFileSystem(nullptr);
    UseClock(nullptr);
}

// A folder named in scripts no ANSI code page holds together: the daily
// file is made there under the exact name, listed back as it is, and its
// text is in the ANSI code page without a byte-order mark.
TEST_F(Win32FileSystemTest, LogFolderInAnyScriptHoldsTheDailyFile) {
    FakeClock clock;
    clock.SetDateText("15/03/2024");
    clock.SetLocal(SystemTime{2024, 3, 5, 15, 9, 5, 7, 42});
    UseClock(&clock);
    UseFileSystem(&fs_);
    SettingsRecord saved = CurrentSettings();
    const std::string folder =
        root_ + "\\\u0414\u043d\u0435\u0432\u043d\u0438\u043a \u65e5\u8a8c";
    UpdateSettings([&](SettingsRecord& live) { CopyToField(live.logfile_path, folder); });

    EXPECT_TRUE(WriteLogEntry("caf\u00e9"));
    const std::wstring wide_file =
        Widen(root_) + L"\\\u0414\u043d\u0435\u0432\u043d\u0438\u043a \u65e5\u8a8c\\20240315.log";
    EXPECT_NE(::GetFileAttributesW(wide_file.c_str()), INVALID_FILE_ATTRIBUTES);
    const std::vector<FileEntry> files = fs_.ListFiles(folder + "\\*.log");
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(files[0].name, "20240315.log");
    const std::string bytes = Read(folder + "\\20240315.log");
    EXPECT_EQ(bytes.rfind("\xEF\xBB\xBF", 0), std::string::npos);
    if (::GetACP() == CP_UTF8) {
        EXPECT_NE(bytes.find("caf\xC3\xA9"), std::string::npos);
    } else if (::GetACP() == 1252) {
        EXPECT_NE(bytes.find("caf\xE9"), std::string::npos);
    }

    UpdateSettings([&](SettingsRecord& live) { live = saved; });
    UseFileSystem(nullptr);
    UseClock(nullptr);
}

TEST_F(Win32FileSystemTest, AgePassGoesByTheRealCreationTime) {
    // Creation times cannot be set everywhere (Wine keeps its own), so the
    // fake local date is moved relative to the file's real one instead.
    const std::string path = root_ + "\\20240101.log";
    ASSERT_TRUE(fs_.AppendToFile(path, "x"));
    std::vector<FileEntry> files = fs_.ListFiles(root_ + "\\*.log");
    ASSERT_EQ(files.size(), 1u);
    const std::uint64_t kDay = 864000000000ULL;
    auto local_date_after = [&](int days) {
        const std::uint64_t value = files[0].creation_time.value + days * kDay;
        FILETIME ft{static_cast<DWORD>(value), static_cast<DWORD>(value >> 32)};
        SYSTEMTIME st;
        ::FileTimeToSystemTime(&ft, &st);
        return SystemTime{st.wYear, st.wMonth, st.wDayOfWeek, st.wDay, 12, 0, 0, 0};
    };

    FakeClock clock;
    UseClock(&clock);
    UseFileSystem(&fs_);
    SettingsRecord saved = CurrentSettings();
    UpdateSettings([&](SettingsRecord& live) {
        CopyToField(live.logfile_path, root_);
    });
    UpdateSettings([&](SettingsRecord& live) { live.enable_logging = 0; });
    UpdateSettings([&](SettingsRecord& live) { live.delete_old_logfiles = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.maximum_logfile_age = 30; });

    clock.SetLocal(local_date_after(30));
    RunLogAgePass();
    EXPECT_EQ(Read(path), "x");
    clock.SetLocal(local_date_after(31));
    RunLogAgePass();
    EXPECT_EQ(Read(path), "<missing>");

    UpdateSettings([&](SettingsRecord& live) { live = saved; });
    UseFileSystem(nullptr);
    UseClock(nullptr);
}

}  // namespace
}  // namespace orvane
