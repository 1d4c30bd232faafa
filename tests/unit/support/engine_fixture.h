// The engine's surroundings for unit tests: fake clock, name lookup,
// dial-up module, user interface, event log and error window, registry,
// a token that may set the clock, the time service's pipe, a real
// temporary log folder, and the live settings and engine state put back
// after each test.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "dialup/dialup_module.h"
#include "engine/broadcast_handler.h"
#include "engine/last_update_record.h"
#include "engine/link_state.h"
#include "engine/server_kisses.h"
#include "engine/update_execution.h"
#include "engine/update_scheduler.h"
#include "engine/update_semaphore.h"
#include "logging/error_window.h"
#include "engine/engine_ui_sink.h"
#include "platform/event_log.h"
#include "support/fake_clock.h"
#include "support/fake_local_networks.h"
#include "support/fake_dialup.h"
#include "support/fake_engine_ui_sink.h"
#include "support/fake_event_log.h"
#include "support/fake_name_lookup.h"
#include "support/fake_process_privileges.h"
#include "support/fake_registry.h"
#include "support/fake_time_service_pipe.h"
#include "support/fake_ui_sinks.h"
#include "platform/local_networks.h"
#include "platform/name_lookup.h"
#include "platform/posix/file_system_posix.h"
#include "platform/fixed_text.h"
#include "protocols/correction_bounds.h"
#include "service/service_broadcasts.h"
#include "service/time_service_handler.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {

// A semaphore whose time limits run on a clock the test advances.
class FakeUpdateSemaphore : public UpdateSemaphore {
  public:
    bool Wait(std::int64_t timeout_ms) override {
        std::unique_lock<std::mutex> lock(mutex_);
        limits_.push_back(timeout_ms);
        ++waiting_;
        changed_.notify_all();
        const std::int64_t deadline = now_ + timeout_ms;
        changed_.wait(lock, [&] { return count_ > 0 || (timeout_ms >= 0 && now_ >= deadline); });
        --waiting_;
        ++waits_ended_;
        changed_.notify_all();
        if (count_ > 0) {
            --count_;
            return true;
        }
        return false;
    }
    void Release() override {
        std::lock_guard<std::mutex> lock(mutex_);
        if (count_ < kUpdateSemaphoreMaximum)
            ++count_;
        changed_.notify_all();
    }

    std::int64_t NowMs() override { return now(); }

    void Advance(std::int64_t ms) {
        std::lock_guard<std::mutex> lock(mutex_);
        now_ += ms;
        changed_.notify_all();
    }
    std::int64_t now() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return now_;
    }
    // Waits (in real time, at most 5 s) until the thread has entered its
    // n-th wait and is blocked in it.
    bool WaitForWaitNumber(std::size_t n) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5),
                                 [&] { return limits_.size() >= n && waiting_ > 0; });
    }
    std::vector<std::int64_t> limits() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return limits_;
    }
    int count() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }

  private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::int64_t now_ = 0;
    int count_ = 0;
    int waiting_ = 0;
    int waits_ended_ = 0;
    std::vector<std::int64_t> limits_;
};

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved_ = CurrentSettings();
        UpdateSettings([&](SettingsRecord& live) { live = SettingsRecord(); });
        char pattern[] = "/tmp/orvane_engine_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        root_ = pattern;
        UpdateSettings(
            [&](SettingsRecord& live) { CopyToField(live.logfile_path, root_ + "/logs"); });

        clock_.SetDateText("21/02/2003");
        clock_.SetLocal(SystemTime{2003, 2, 5, 21, 10, 20, 30, 400});
        clock_.SetFileTime(kFileTimeOf1900Plus(3254774400ULL));
        // The tests' times are from 2003: the build lies after them.
        SetBuildDateFloor(FileTime{kFileTimeOf1900Plus(kSecondsFrom1900To2000)});
        UseClock(&clock_);
        UseFileSystem(&file_system_);
        UseNameLookup(&lookup_);
        UseLocalNetworks(&networks_);
        UseDialupModule(&dialup_);
        UseEngineUiSink(&ui_);
        UseEventLog(&event_log_);
        UseMessageBoxSink(&boxes_);
        UseProcessExit(&exit_);
        privileges_.holds_systemtime = true;
        UseProcessPrivileges(&privileges_);
        UseRegistry(&registry_);
        UseTimeServicePipe(&service_pipe_);
        ResetErrorWindowForTest();
        UseErrorWindowSink(&error_window_);

        StoreLastUpdateRecord(LastUpdateRecord());
        ForgetKissCodes();
        ForgetBroadcastSenderNames();
        ForgetAppliedBroadcasts();
        SetManualUpdateFlag(0);
        ForgetFirstAutomaticUpdate();
        SetLinkState(0);
        SetLinkChangeTimeNow();
        SetUpdateRunner(nullptr);
        SetUpdateSemaphoreFactory(nullptr);
        // Retries wait on no real clock: the waits are only recorded.
        SetRetryWaiter([this](std::uint32_t wait_ms) {
            std::lock_guard<std::mutex> lock(retry_waits_mutex_);
            retry_waits_.push_back(wait_ms);
            return true;
        });
    }

    std::vector<std::uint32_t> RetryWaits() {
        std::lock_guard<std::mutex> lock(retry_waits_mutex_);
        return retry_waits_;
    }

    void TearDown() override {
        StopUpdateThread();
        EXPECT_TRUE(WaitForUpdateThreadsToEnd(5000));
        SetUpdateRunner(nullptr);
        SetUpdateSemaphoreFactory(nullptr);
        SetRetryWaiter(nullptr);
        SetManualUpdateFlag(0);
        UseErrorWindowSink(nullptr);
        ResetErrorWindowForTest();
        UseTimeServicePipe(nullptr);
        UseRegistry(nullptr);
        UseProcessPrivileges(nullptr);
        UseProcessExit(nullptr);
        UseMessageBoxSink(nullptr);
        UseEventLog(nullptr);
        UseEngineUiSink(nullptr);
        UseDialupModule(&UnavailableDialupModule());
        UseLocalNetworks(nullptr);
        UseNameLookup(nullptr);
        UseFileSystem(nullptr);
        UseClock(nullptr);
        SetBuildDateFloor(FileTime{});
        UpdateSettings([&](SettingsRecord& live) { live = saved_; });
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    static constexpr std::uint64_t kSecondsFrom1900To2000 = 3155673600ULL;
    static std::uint64_t kFileTimeOf1900Plus(std::uint64_t seconds) {
        return 94354848000000000ULL + seconds * 10000000ULL;
    }

    static void Logging(int enable, int level) {
        UpdateSettings([&](SettingsRecord& live) { live.enable_logging = enable; });
        UpdateSettings([&](SettingsRecord& live) { live.logging_level = level; });
    }

    // The texts of the log entries written so far, in order.
    std::vector<std::string> LogEntries() const {
        std::vector<std::string> entries;
        std::error_code error;
        std::filesystem::directory_iterator it(root_ + "/logs", error);
        if (error)
            return entries;
        std::string all;
        for (const auto& file : it) {
            std::ifstream in(file.path(), std::ios::binary);
            all +=
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        std::string text;
        for (char c : all) {
            if (c != '\r')
                text.push_back(c);
        }
        const std::string separator =
            "\n\n------------------------------------------------------------\n";
        std::size_t start = 0;
        for (std::size_t end; (end = text.find(separator, start)) != std::string::npos;
             start = end + separator.size()) {
            std::string chunk = text.substr(start, end - start);
            std::size_t body = chunk.find("\n\n");
            entries.push_back(body == std::string::npos ? chunk : chunk.substr(body + 2));
        }
        return entries;
    }

    // The time service's own request handling answers behind the pipe, as
    // if the service ran in this process.
    void ServeThroughThePipe(TimeServiceHandler& handler) {
        service_pipe_.service = [&handler](const std::vector<std::uint8_t>& request) {
            bool malformed = false;
            return handler.Handle(request.data(), request.size(), 0, RequestOrigin{77, 1},
                                  &malformed);
        };
    }

    std::vector<std::string> EventLogTexts() const {
        std::vector<std::string> texts;
        for (const auto& entry : event_log_.entries()) {
            texts.push_back(entry.strings.empty() ? "" : entry.strings[0]);
        }
        return texts;
    }

    // The error window's text once every queued message has been shown.
    std::string ErrorWindowText() {
        error_window_.RunOnUiThread([] { ShowPendingErrorMessages(); });
        return error_window_.text();
    }

    FakeClock clock_;
    PosixFileSystem file_system_;
    FakeNameLookup lookup_;
    std::mutex retry_waits_mutex_;
    std::vector<std::uint32_t> retry_waits_;
    FakeLocalNetworks networks_;
    FakeDialup dialup_;
    FakeEngineUiSink ui_;
    FakeEventLog event_log_;
    FakeMessageBoxSink boxes_;
    FakeProcessExit exit_;
    FakeProcessPrivileges privileges_;
    FakeRegistry registry_;
    FakeTimeServicePipe service_pipe_;
    FakeErrorWindow error_window_{true};
    SettingsRecord saved_;
    std::string root_;
};

}  // namespace orvane
