#include "logging/log_levels.h"

#include <gtest/gtest.h>

#include "support/log_fixture.h"
#include "settings/live_settings.h"

namespace orvane {
namespace {

SettingsRecord Logging(int enabled, int level) {
    SettingsRecord s;
    s.enable_logging = enabled;
    s.logging_level = level;
    return s;
}

TEST(LogLevelsTest, MinimumKeepsOnlyStartStopManualUpdatesKissesAndRefusedCorrections) {
    const SettingsRecord s = Logging(1, 0);
    EXPECT_EQ(LogDetailFor(LogEvent::kEngineStartStop, s), LogDetail::kShort);
    EXPECT_EQ(LogDetailFor(LogEvent::kManualUpdate, s), LogDetail::kShort);
    EXPECT_EQ(LogDetailFor(LogEvent::kKissOfDeath, s), LogDetail::kShort);
    EXPECT_EQ(LogDetailFor(LogEvent::kCorrectionRefused, s), LogDetail::kShort);
    for (LogEvent e :
         {LogEvent::kDialupConnection, LogEvent::kAutomaticRetry, LogEvent::kLogCleanup,
          LogEvent::kSntpUpdate, LogEvent::kTimeUpdate, LogEvent::kBroadcastReceived}) {
        EXPECT_EQ(LogDetailFor(e, s), LogDetail::kNone) << static_cast<int>(e);
    }
}

TEST(LogLevelsTest, MediumAddsEverythingInShortForm) {
    const SettingsRecord s = Logging(1, 1);
    for (LogEvent e :
         {LogEvent::kEngineStartStop, LogEvent::kManualUpdate, LogEvent::kKissOfDeath,
          LogEvent::kCorrectionRefused, LogEvent::kDialupConnection, LogEvent::kAutomaticRetry, LogEvent::kLogCleanup,
          LogEvent::kSntpUpdate, LogEvent::kTimeUpdate, LogEvent::kBroadcastReceived}) {
        EXPECT_EQ(LogDetailFor(e, s), LogDetail::kShort) << static_cast<int>(e);
    }
}

TEST(LogLevelsTest, MaximumReplacesTheOneLineClockRecordsWithTheLongForm) {
    const SettingsRecord s = Logging(1, 2);
    EXPECT_EQ(LogDetailFor(LogEvent::kSntpUpdate, s), LogDetail::kLong);
    EXPECT_EQ(LogDetailFor(LogEvent::kTimeUpdate, s), LogDetail::kLong);
    EXPECT_EQ(LogDetailFor(LogEvent::kBroadcastReceived, s), LogDetail::kLong);
    EXPECT_EQ(LogDetailFor(LogEvent::kLogCleanup, s), LogDetail::kShort);
    EXPECT_EQ(LogDetailFor(LogEvent::kEngineStartStop, s), LogDetail::kShort);
    EXPECT_EQ(LogDetailFor(LogEvent::kKissOfDeath, s), LogDetail::kShort);
}

TEST(LogLevelsTest, LoggingOffOrAnUnknownLevelRecordsNothing) {
    for (SettingsRecord s : {Logging(0, 2), Logging(2, 2), Logging(1, 3), Logging(1, -1)}) {
        for (LogEvent e : {LogEvent::kEngineStartStop, LogEvent::kManualUpdate,
                           LogEvent::kLogCleanup, LogEvent::kSntpUpdate}) {
            EXPECT_EQ(LogDetailFor(e, s), LogDetail::kNone);
        }
    }
}

using LogLevelsFileTest = LogFolderTest;

TEST_F(LogLevelsFileTest, GatedWritesFollowTheLiveSettingsAtEachCall) {
    const std::string file = root_ + "/logs/20240315.log";
    UpdateSettings([&](SettingsRecord& live) { live.enable_logging = 0; });
    EXPECT_FALSE(WriteLogEntryFor(LogEvent::kEngineStartStop, "Orvane engine started."));
    UpdateSettings([&](SettingsRecord& live) { live.enable_logging = 1; });
    UpdateSettings([&](SettingsRecord& live) { live.logging_level = 3; });
    EXPECT_FALSE(WriteLogEntryFor(LogEvent::kManualUpdate, "Manual update successful"));
    EXPECT_FALSE(Exists(root_ + "/logs"));

    UpdateSettings([&](SettingsRecord& live) { live.logging_level = 0; });
    EXPECT_FALSE(WriteLogEntryFor(LogEvent::kTimeUpdate, "TIME (UDP) external update: x"));
    EXPECT_FALSE(Exists(file));
    EXPECT_TRUE(WriteLogEntryFor(LogEvent::kManualUpdate, "Manual update successful"));
    EXPECT_NE(ReadFile(file).find("Manual update successful"), std::string::npos);
}

}  // namespace
}  // namespace orvane
