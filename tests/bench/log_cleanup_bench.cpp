// One clean-up pass over a log folder of 10,000 daily files.
#include <benchmark/benchmark.h>
#include <sys/time.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "logging/log_cleanup.h"
#include "support/fake_clock.h"
#include "platform/posix/file_system_posix.h"
#include "settings/settings_record.h"
#include "settings/live_settings.h"

namespace orvane {
namespace {

constexpr int kFiles = 10000;
constexpr std::int64_t kToday = 19797;  // 2024-03-15, days since 1970

struct Folder {
    Folder() {
        char pattern[] = "/tmp/orvane_bench_XXXXXX";
        root = mkdtemp(pattern);
        UseClock(&clock);
        UseFileSystem(&fs);
        clock.SetLocal(SystemTime{2024, 3, 5, 15, 12, 0, 0, 0});
        UpdateSettings([&](SettingsRecord& live) {
            std::snprintf(live.logfile_path, kPathCapacity, "%s", root.c_str());
        });
    }
    ~Folder() {
        UseFileSystem(nullptr);
        UseClock(nullptr);
        std::filesystem::remove_all(root);
    }
    // kFiles daily files, one per day before today, 100 bytes each.
    void Fill() {
        for (int i = 1; i <= kFiles; ++i) {
            const std::int64_t day = kToday - i;
            const std::int64_t seconds = day * 86400 + 43200;
            std::time_t t = static_cast<std::time_t>(seconds);
            std::tm tm;
            gmtime_r(&t, &tm);
            char name[32];
            std::strftime(name, sizeof name, "%Y%m%d.log", &tm);
            const std::string path = root + "/" + name;
            std::ofstream(path, std::ios::binary) << std::string(100, 'L');
            timeval times[2] = {{seconds, 0}, {seconds, 0}};
            utimes(path.c_str(), times);
        }
    }
    FakeClock clock;
    PosixFileSystem fs;
    std::string root;
};

void SetRules(int age_on, int size_on, int logging) {
    UpdateSettings([&](SettingsRecord& s) {
        s.delete_old_logfiles = age_on;
        s.maximum_logfile_age = 30;
        s.cap_logfile_folder_size = size_on;
        s.maximum_logfile_space = 0;  // everything but today's goes
        s.enable_logging = logging;
        s.logging_level = 1;
    });
}

// Listing and checking 10,000 files, none old enough to go.
void BM_AgePassNothingToDelete(benchmark::State& state) {
    Folder folder;
    folder.Fill();
    SetRules(1, 0, 0);
    UpdateSettings([&](SettingsRecord& live) { live.maximum_logfile_age = kFiles + 10; });
    for (auto _ : state)
        RunLogAgePass();
}
BENCHMARK(BM_AgePassNothingToDelete)->Unit(benchmark::kMillisecond);

// One age pass deleting all 10,000 files (all but 30 days' worth are old).
void BM_AgePassDeletesAll(benchmark::State& state) {
    Folder folder;
    const int logging = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        SetRules(1, 0, logging);
        folder.Fill();
        state.ResumeTiming();
        RunLogAgePass();
    }
}
BENCHMARK(BM_AgePassDeletesAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// One size pass: two listings, a sort and 10,000 deletions.
void BM_SizePassDeletesAll(benchmark::State& state) {
    Folder folder;
    const int logging = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        SetRules(0, 1, logging);
        folder.Fill();
        state.ResumeTiming();
        RunLogSizePass();
    }
}
BENCHMARK(BM_SizePassDeletesAll)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace orvane
