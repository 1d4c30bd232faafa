#include "ui/settings_applied.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace orvane {
namespace {

// Writes down every action in order.
class RecordingActions : public SettingsAppliedActions {
  public:
    void SetDialTexts(const char* user, const char* password, const char* entry) override {
        calls.push_back(std::string("dial ") + user + "/" + password + "/" + entry);
    }
    void WakeUpdateThread() override { calls.push_back("wake"); }
    void SetFontFaces(const char* time_face, const char* date_face) override {
        calls.push_back(std::string("fonts ") + time_face + "/" + date_face);
    }
    void SetBroadcastListening(int on) override {
        calls.push_back("broadcast " + std::to_string(on));
    }
    void ApplyWindowSettings() override { calls.push_back("window"); }
    void CreateStartupShortcut() override { calls.push_back("create shortcut"); }
    void DeleteStartupShortcut() override { calls.push_back("delete shortcut"); }
    void RefreshLinkTextAndStatus() override { calls.push_back("refresh"); }

    int Count(const std::string& name) const {
        int n = 0;
        for (const std::string& call : calls)
            n += call == name;
        return n;
    }
    std::vector<std::string> calls;
};

SettingsRecord Settings(int enable_updates, int interval, int launch) {
    SettingsRecord s;
    s.enable_updates = enable_updates;
    s.update_interval = interval;
    s.launch_program_at_startup = launch;
    return s;
}

TEST(SettingsAppliedTest, RunsTheStepsInOrderAndMovesTheSnapshotsOn) {
    SettingsRecord s = Settings(1, 30, 1);
    std::snprintf(s.dialup_server_username, sizeof s.dialup_server_username, "ann");
    std::snprintf(s.dialup_server_password, sizeof s.dialup_server_password, "secret");
    std::snprintf(s.dialup_server_name, sizeof s.dialup_server_name, "Work");
    std::snprintf(s.time_font_name, sizeof s.time_font_name, "Arial");
    std::snprintf(s.date_font_name, sizeof s.date_font_name, "Tahoma");
    s.receive_sntp_broadcasts = 1;
    SettingsSnapshots snapshots = TakeSettingsSnapshots(Settings(0, 60, 0));
    RecordingActions actions;

    RunSettingsApplied(s, snapshots, actions);

    const std::vector<std::string> expected = {"dial ann/secret/Work", "wake",        "wake",
                                               "fonts Arial/Tahoma",   "broadcast 1", "window",
                                               "create shortcut",      "refresh"};
    EXPECT_EQ(actions.calls, expected);
    EXPECT_EQ(snapshots.enable_updates, 1);
    EXPECT_EQ(snapshots.update_interval, 30);
    EXPECT_EQ(snapshots.launch_program_at_startup, 1);
}

TEST(SettingsAppliedTest, SwitchingUpdatesOnWakesOnce) {
    SettingsSnapshots snapshots = TakeSettingsSnapshots(Settings(0, 60, 0));
    RecordingActions actions;
    RunSettingsApplied(Settings(1, 60, 0), snapshots, actions);
    EXPECT_EQ(actions.Count("wake"), 1);
}

TEST(SettingsAppliedTest, NewIntervalWhileOnWakesOnce) {
    SettingsSnapshots snapshots = TakeSettingsSnapshots(Settings(1, 60, 0));
    RecordingActions actions;
    RunSettingsApplied(Settings(1, 5, 0), snapshots, actions);
    EXPECT_EQ(actions.Count("wake"), 1);
}

TEST(SettingsAppliedTest, NewIntervalWhileOffDoesNotWake) {
    SettingsSnapshots snapshots = TakeSettingsSnapshots(Settings(0, 60, 0));
    RecordingActions actions;
    RunSettingsApplied(Settings(0, 5, 0), snapshots, actions);
    EXPECT_EQ(actions.Count("wake"), 0);
}

TEST(SettingsAppliedTest, SwitchingUpdatesOffOrKeepingThemDoesNotWake) {
    SettingsSnapshots snapshots = TakeSettingsSnapshots(Settings(1, 60, 0));
    RecordingActions actions;
    RunSettingsApplied(Settings(0, 60, 0), snapshots, actions);
    RunSettingsApplied(Settings(0, 60, 0), snapshots, actions);
    EXPECT_EQ(actions.Count("wake"), 0);
}

TEST(SettingsAppliedTest, OnlyTheValueOneCountsAsSwitchedOn) {
    // 2 differs from the snapshot 0, so it is "just switched on" by the
    // rule, but the interval wake needs exactly 1.
    SettingsSnapshots snapshots = TakeSettingsSnapshots(Settings(0, 60, 0));
    RecordingActions actions;
    RunSettingsApplied(Settings(2, 5, 0), snapshots, actions);
    EXPECT_EQ(actions.Count("wake"), 1);
}

TEST(SettingsAppliedTest, ShortcutIsMadeOrRemovedOnlyOnAChange) {
    SettingsSnapshots snapshots = TakeSettingsSnapshots(Settings(0, 60, 0));
    RecordingActions actions;
    RunSettingsApplied(Settings(0, 60, 1), snapshots, actions);
    EXPECT_EQ(actions.Count("create shortcut"), 1);

    // OK again without a change: the shortcut is left alone even if the
    // user deleted it by hand meanwhile.
    RunSettingsApplied(Settings(0, 60, 1), snapshots, actions);
    EXPECT_EQ(actions.Count("create shortcut"), 1);
    EXPECT_EQ(actions.Count("delete shortcut"), 0);

    RunSettingsApplied(Settings(0, 60, 0), snapshots, actions);
    EXPECT_EQ(actions.Count("delete shortcut"), 1);
}

TEST(SettingsAppliedTest, AValueOtherThanOneRemovesTheShortcut) {
    SettingsSnapshots snapshots = TakeSettingsSnapshots(Settings(0, 60, 1));
    RecordingActions actions;
    RunSettingsApplied(Settings(0, 60, 7), snapshots, actions);
    EXPECT_EQ(actions.Count("delete shortcut"), 1);
    EXPECT_EQ(actions.Count("create shortcut"), 0);
}

}  // namespace
}  // namespace orvane
