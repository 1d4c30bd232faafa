#include "settings/live_settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>

#include "engine/update_scheduler.h"
#include "platform/fixed_text.h"
#include "support/engine_fixture.h"

namespace orvane {
namespace {

// OK in the configuration dialog takes what the dialog changed and keeps
// what changed elsewhere while it was open.
TEST(LiveSettingsTest, OkAppliesTheDialogsChangesOnly) {
    SettingsRecord opened;
    opened.update_interval = 10;
    opened.always_on_top = 0;
    std::strcpy(opened.server_name, "old.example");
    SettingsRecord edited = opened;
    edited.update_interval = 30;
    std::strcpy(edited.server_name, "new.example");

    SettingsRecord live = opened;
    live.always_on_top = 1;        // the menu toggle, while the dialog was open
    live.window_position_x = 400;  // the clock dragged meanwhile
    live.window_size_x = 300;
    ApplyChangedPageFields(opened, edited, live);

    EXPECT_EQ(live.update_interval, 30);
    EXPECT_STREQ(live.server_name, "new.example");
    EXPECT_EQ(live.always_on_top, 1);
    EXPECT_EQ(live.window_position_x, 400);
    EXPECT_EQ(live.window_size_x, 300);
}

// The update thread's rounds read the record and write the resolved
// server back while the user-interface thread rewrites it (OK, a drag).
// Run under ThreadSanitizer by the test command; it must report nothing.
class LiveSettingsRaceTest : public EngineTest {};

TEST_F(LiveSettingsRaceTest, UpdateThreadAndSettingsWriterTogether) {
    lookup_.AddReverse(0x0100007F, "loopback.example");
    UpdateSettings([](SettingsRecord& live) {
        live.enable_updates = 1;
        live.protocol = 0;  // no exchange: the round is all settings work
        CopyToField(live.server_name, "[unknown]");
        live.server_address = net::MakeAddress(0x7F000001, 0);
    });
    StartUpdateThread();
    std::thread writer([] {
        for (int i = 0; i < 300; ++i) {
            UpdateSettings([i](SettingsRecord& live) {
                CopyToField(live.server_name, i % 2 ? "[unknown]" : "a.example");
                live.window_position_x = i;
                live.always_on_top = i % 2;
            });
            WakeUpdateThread();
        }
    });
    writer.join();
    for (int i = 0; i < 200 && lookup_.reverse_lookups().empty(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(lookup_.reverse_lookups().empty());
    const SettingsRecord last = CurrentSettings();
    EXPECT_EQ(last.window_position_x, 299);
}

}  // namespace
}  // namespace orvane
