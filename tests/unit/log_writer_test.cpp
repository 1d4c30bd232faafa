#include "logging/log_writer.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>
#include <vector>

#include "support/log_fixture.h"

namespace orvane {
namespace {

const std::string kRule(60, '-');

std::string OnDisk(const std::string& stamp, const std::string& text_crlf) {
    return "\r\n" + stamp + "\r\n\r\n" + text_crlf + "\r\n\r\n" + kRule + "\r\n";
}

using LogWriterTest = LogFolderTest;

TEST_F(LogWriterTest, EntriesReachTheDailyFileByteForByte) {
    clock_.SetLocal(SystemTime{2024, 3, 5, 15, 9, 5, 7, 42});
    ASSERT_TRUE(WriteLogEntry("Orvane engine started."));
    ASSERT_TRUE(WriteLogEntry("SNTP external update:\n\n\tSource IP address=10.0.0.1"));

    std::string expected = OnDisk("15/03/2024 09:05:07.042", "Orvane engine started.") +
                           OnDisk("15/03/2024 09:05:07.042",
                                  "SNTP external update:\r\n\r\n\tSource IP address=10.0.0.1");
    EXPECT_EQ(ReadFile(root_ + "/logs/20240315.log"), expected);
}

TEST_F(LogWriterTest, PercentSignsAreWrittenAsIs) {
    ASSERT_TRUE(WriteLogEntry(std::string("Manual update failed.  %d %s %n")));
    EXPECT_EQ(ReadFile(root_ + "/logs/20240315.log"),
              OnDisk("15/03/2024 12:00:00.000", "Manual update failed.  %d %s %n"));
}

TEST_F(LogWriterTest, MidnightStartsANewFileStampedWithItsOwnDate) {
    clock_.SetDateText("31/12/2024");
    clock_.SetLocal(SystemTime{2024, 12, 2, 31, 23, 59, 59, 999});
    ASSERT_TRUE(WriteLogEntry("before"));
    clock_.SetDateText("01/01/2025");
    clock_.SetLocal(SystemTime{2025, 1, 3, 1, 0, 0, 0, 0});
    ASSERT_TRUE(WriteLogEntry("after"));

    EXPECT_EQ(ReadFile(root_ + "/logs/20241231.log"), OnDisk("31/12/2024 23:59:59.999", "before"));
    EXPECT_EQ(ReadFile(root_ + "/logs/20250101.log"), OnDisk("01/01/2025 00:00:00.000", "after"));
}

TEST_F(LogWriterTest, FirstEntryCreatesAFolderThreeLevelsDown) {
    // The product's backslash form, below an existing folder.
    SetLogFolder(root_ + "\\Data Files\\Pellmoor\\Orvane");
    ASSERT_FALSE(Exists(root_ + "/Data Files"));
    ASSERT_TRUE(WriteLogEntry("Orvane engine started."));
    EXPECT_EQ(ReadFile(root_ + "/Data Files/Pellmoor/Orvane/20240315.log"),
              OnDisk("15/03/2024 12:00:00.000", "Orvane engine started."));
}

TEST_F(LogWriterTest, AFileInTheWayDropsTheEntryQuietly) {
    std::ofstream(root_ + "/blocker") << "x";
    SetLogFolder(root_ + "/blocker");
    EXPECT_FALSE(CreateDirectoryTree(root_ + "/blocker"));
    EXPECT_FALSE(CreateDirectoryTree(root_ + "/blocker/below"));
    EXPECT_FALSE(WriteLogEntry("lost"));
    EXPECT_EQ(ReadFile(root_ + "/blocker"), "x");
}

TEST_F(LogWriterTest, CreateDirectoryTreeAcceptsAnExistingFolderAndRefusesAPlainName) {
    EXPECT_TRUE(CreateDirectoryTree(root_));
    EXPECT_TRUE(CreateDirectoryTree(root_ + "/one/two/"));
    EXPECT_TRUE(Exists(root_ + "/one/two"));
    // Not creatable, and no separator to find a parent by.
    EXPECT_FALSE(CreateDirectoryTree(""));
}

TEST_F(LogWriterTest, ConcurrentWritersNeverInterleave) {
    constexpr int kThreads = 4;
    constexpr int kEach = 150;
    std::vector<std::thread> writers;
    for (int t = 0; t < kThreads; ++t) {
        writers.emplace_back([t] {
            for (int i = 0; i < kEach; ++i) {
                std::string body(200, static_cast<char>('a' + t));
                WriteLogEntry("writer " + std::to_string(t) + " entry " + std::to_string(i) + "\n" +
                              body);
            }
        });
    }
    for (std::thread& w : writers)
        w.join();

    const std::string file = ReadFile(root_ + "/logs/20240315.log");
    const std::string separator = "\r\n\r\n" + kRule + "\r\n";
    std::set<std::string> seen;
    std::size_t start = 0;
    while (start < file.size()) {
        std::size_t end = file.find(separator, start);
        ASSERT_NE(end, std::string::npos);
        std::string entry = file.substr(start, end - start);
        const std::string head = "\r\n15/03/2024 12:00:00.000\r\n\r\nwriter ";
        ASSERT_EQ(entry.compare(0, head.size(), head), 0) << entry;
        std::size_t line_end = entry.find("\r\n", head.size());
        ASSERT_NE(line_end, std::string::npos);
        char letter = static_cast<char>('a' + (entry[head.size()] - '0'));
        EXPECT_EQ(entry.substr(line_end + 2), std::string(200, letter));
        seen.insert(entry.substr(head.size(), line_end - head.size()));
        start = end + separator.size();
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kThreads * kEach));
}

}  // namespace
}  // namespace orvane
