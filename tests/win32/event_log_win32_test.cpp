#include "platform/win32/event_log_win32.h"

#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "logging/event_log_entry.h"

namespace orvane {
namespace {

constexpr char kLibraryName[] = "Orvane Event Log Interface.dll";

// The shipped event-message library: named by ORVANE_EVENT_LOG_DLL, else
// looked for in ORVANE_DIST_DIR, else beside this test program (the build
// copies it there).
std::string EventMessageLibraryPath() {
    if (const char* path = std::getenv("ORVANE_EVENT_LOG_DLL"))
        return path;
    if (const char* dist = std::getenv("ORVANE_DIST_DIR")) {
        return std::string(dist) + "\\" + kLibraryName;
    }
    char module[MAX_PATH];
    DWORD length = ::GetModuleFileNameA(nullptr, module, MAX_PATH);
    std::string folder(module, length);
    folder.erase(folder.find_last_of("\\/") + 1);
    return folder + kLibraryName;
}

class EventMessageLibraryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const std::string path = EventMessageLibraryPath();
        // As the event viewer loads it: data only, no code run.
        module_ = ::LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr) << "cannot load " << path << ", error " << ::GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr)
            ::FreeLibrary(module_);
    }

    // The message's text with one insertion string, or "<error N>".
    std::string Format(DWORD identifier, const char* insertion, DWORD language = 0) {
        char buffer[512];
        DWORD_PTR args[1] = {reinterpret_cast<DWORD_PTR>(insertion)};
        DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY,
                                        module_, identifier, language, buffer, sizeof buffer,
                                        reinterpret_cast<va_list*>(args));
        if (length == 0)
            return "<error " + std::to_string(::GetLastError()) + ">";
        return std::string(buffer, length);
    }

    HMODULE module_ = nullptr;
};

TEST_F(EventMessageLibraryTest, TheEntryMessageIsTheInsertionStringAlone) {
    EXPECT_EQ(Format(kEventLogEntryIdentifier, "hello"), "hello");
    EXPECT_EQ(Format(kEventLogEntryIdentifier, "Orvane started",
                     MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US)),
              "Orvane started");
}

TEST_F(EventMessageLibraryTest, InsertedTextIsNotTakenAsAFormat) {
    const char* text = "Unable to dial \"50% %1 %%\".  Error 691";
    EXPECT_EQ(Format(kEventLogEntryIdentifier, text), text);
}

TEST_F(EventMessageLibraryTest, OnlyTheFullIdentifierIsKnown) {
    // The severity bits are part of the identifier the program reports.
    const std::string not_found = "<error " + std::to_string(ERROR_MR_MID_NOT_FOUND) + ">";
    EXPECT_EQ(Format(0x00001010, "x"), not_found);
    EXPECT_EQ(Format(0x40001010, "x"), not_found);
}

TEST(EventMessageLibraryLoadTest, LoadsAsAnOrdinaryLibraryToo) {
    // A well-formed image without an entry point: loading it runs nothing.
    HMODULE module = ::LoadLibraryA(EventMessageLibraryPath().c_str());
    ASSERT_NE(module, nullptr) << "error " << ::GetLastError();
    EXPECT_NE(::FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(11)), nullptr)
        << "message table 1";
    ::FreeLibrary(module);
}

TEST(Win32EventLogTest, RegistersReportsAndReleases) {
    Win32EventLog event_log;
    EventSourceHandle source = kNoEventSource;
    ASSERT_EQ(event_log.RegisterSource("Orvane", &source), 0);
    EXPECT_NE(source, kNoEventSource);
    EXPECT_EQ(event_log.ReportEntry(source, EventType::kInformation, 0, kEventLogEntryIdentifier,
                                    "Orvane event log check"),
              0);
    EXPECT_EQ(event_log.DeregisterSource(source), 0);
}

TEST(Win32EventLogTest, WriteEventLogEntryRunsThroughTheRealLog) {
    Win32EventLog event_log;
    UseEventLog(&event_log);
    // A failure here would end the test program through the fatal report.
    WriteEventLogEntry("Orvane event log entry check", 0);
    WriteEventLogEntry("Orvane event log warning check", 1);
    WriteEventLogEntry("Orvane event log error check", 2);
    UseEventLog(nullptr);
    SUCCEED();
}

}  // namespace
}  // namespace orvane
