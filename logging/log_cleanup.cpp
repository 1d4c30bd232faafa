#include "logging/log_cleanup.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "logging/fatal_error.h"
#include "logging/log_levels.h"
#include "logging/log_writer.h"
#include "platform/clock.h"
#include "platform/file_system.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

namespace {

constexpr int kPassIntervalMs = 60000;
constexpr int kPollMs = 20;
constexpr std::uint64_t kTicksPerDay = 10000000ULL * 86400ULL;
constexpr std::int64_t kBytesPerMegabyte = 1000000;

struct CleanupState {
    // The semaphore (initial count 0, maximum 1) the thread sleeps on.
    std::mutex mutex;
    std::condition_variable wake;
    int count = 0;

    std::atomic<std::int32_t> stop{0};
    std::atomic<bool> running{false};
    std::atomic<unsigned> passes{0};
};

CleanupState& State() {
    static CleanupState* state = new CleanupState;  // never destroyed: the thread may outlive main
    return *state;
}

void ReleaseSemaphore(CleanupState& state) {
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        if (state.count < 1)
            ++state.count;
    }
    state.wake.notify_all();
}

void WaitOnSemaphore(CleanupState& state, int timeout_ms) {
    std::unique_lock<std::mutex> lock(state.mutex);
    if (state.wake.wait_for(lock, std::chrono::milliseconds(timeout_ms),
                            [&state] { return state.count > 0; })) {
        --state.count;
    }
}

// Whole days since 1601-01-01 of a calendar date (proleptic Gregorian), the
// same count as its FILETIME divided by a day's ticks.
std::int64_t DayNumber(const SystemTime& t) {
    std::int64_t y = t.wYear;
    const std::int64_t m = t.wMonth;
    const std::int64_t d = t.wDay;
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days_since_1970 = era * 146097 + doe - 719468;
    return days_since_1970 + 134774;  // 1601-01-01 to 1970-01-01
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

bool NameLessIgnoringCase(const FileEntry& a, const FileEntry& b) {
    return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
                                        [](char x, char y) {
                                            return std::tolower(static_cast<unsigned char>(x)) <
                                                   std::tolower(static_cast<unsigned char>(y));
                                        });
}

std::vector<FileEntry> ListLogFiles(const std::string& folder) {
    return TheFileSystem().ListFiles(folder + "\\*.log");
}

void ThreadMain() {
    CleanupState& state = State();
    while (state.stop.load() == 0) {
        RunLogAgePass();
        RunLogSizePass();
        state.passes.fetch_add(1);
        WaitOnSemaphore(state, kPassIntervalMs);
    }
    state.running.store(false);
}

}  // namespace

bool IsDailyLogName(const char* name) {
    if (name == nullptr)
        return false;
    for (int i = 0; i < 12; ++i) {
        if (name[i] == '\0')
            return false;
        if (i < 8 && !std::isdigit(static_cast<unsigned char>(name[i])))
            return false;
    }
    return name[12] == '\0';
}

bool IsDailyLogName(const std::string& name) {
    return name.size() == 12 && name.find('\0') == std::string::npos &&
           IsDailyLogName(name.c_str());
}

void RunLogAgePass() {
    const SettingsRecord settings = CurrentSettings();
    if (!IsOn(settings.delete_old_logfiles))
        return;
    FileSystem& fs = TheFileSystem();

    const std::string folder = LogFolder();
    for (const FileEntry& file : ListLogFiles(folder)) {
        if (!IsDailyLogName(file.name))
            continue;
        const std::int64_t today = DayNumber(TheClock().GetLocalTime());
        const std::int64_t file_day =
            static_cast<std::int64_t>(file.creation_time.value / kTicksPerDay);
        if (today - file_day <= settings.maximum_logfile_age)
            continue;

        const std::string path = folder + "\\" + file.name;
        const int code = fs.RemoveFile(path);
        if (code == 0) {
            WriteLogEntryFor(LogEvent::kLogCleanup, "Old logfile \"" + path + "\" deleted.");
        } else {
            WriteLogEntryFor(LogEvent::kLogCleanup, "Unable to delete old logfile \"" + path +
                                                        "\".  Windows error code " +
                                                        std::to_string(code) + ".");
        }
    }
}

void RunLogSizePass() {
    const SettingsRecord settings = CurrentSettings();
    if (!IsOn(settings.cap_logfile_folder_size))
        return;
    FileSystem& fs = TheFileSystem();

    const std::string folder = LogFolder();
    std::int64_t total = 0;
    for (const FileEntry& file : ListLogFiles(folder)) {
        if (IsDailyLogName(file.name))
            total += static_cast<std::int64_t>(file.size);
    }
    const std::int32_t megabytes = settings.maximum_logfile_space;
    const std::int64_t limit = static_cast<std::int64_t>(megabytes) * kBytesPerMegabyte;
    if (total <= limit)
        return;

    const std::string today = DailyLogFileName(TheClock().GetLocalTime());
    // Oldest day first, whatever order the listing comes in.
    std::vector<FileEntry> files = ListLogFiles(folder);
    std::stable_sort(files.begin(), files.end(), NameLessIgnoringCase);
    for (const FileEntry& file : files) {
        if (!IsDailyLogName(file.name))
            continue;
        if (!SameNameIgnoringCase(file.name, today)) {
            const std::string path = folder + "\\" + file.name;
            const int code = fs.RemoveFile(path);
            if (code == 0) {
                WriteLogEntryFor(LogEvent::kLogCleanup,
                                 "Logfile \"" + path +
                                     "\" deleted to keep maximum logfiles' size under " +
                                     std::to_string(megabytes) + " megabytes.");
            } else {
                // Not claimed as deleted; its size still counts as gone for
                // this pass, so one stuck file cannot take every other one.
                WriteLogEntryFor(LogEvent::kLogCleanup, "Unable to delete logfile \"" + path +
                                                            "\".  Windows error code " +
                                                            std::to_string(code) + ".");
            }
        }
        total -= static_cast<std::int64_t>(file.size);
        if (total <= limit)
            break;
    }
}

void StartLogCleanup() {
    CleanupState& state = State();
    state.stop.store(0);
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.count = 0;
    }
    state.running.store(true);
    try {
        std::thread(ThreadMain).detach();
    } catch (const std::system_error&) {
        state.running.store(false);
        ReportFatalErrorWithCode("_beginthread() failed");
    }
}

void StopLogCleanup() {
    CleanupState& state = State();
    state.stop.store(1);
    ReleaseSemaphore(state);
}

bool WaitForLogCleanupEnd(int timeout_ms) {
    CleanupState& state = State();
    for (int waited = 0;; waited += kPollMs) {
        if (!state.running.load())
            return true;
        if (waited >= timeout_ms)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
    }
}

unsigned LogCleanupPassCount() {
    return State().passes.load();
}

}  // namespace orvane
