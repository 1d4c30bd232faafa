#include "settings/machine_write.h"

#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include "platform/fixed_text.h"
#include "settings/settings_store.h"
#include "support/fake_registry.h"

namespace orvane {
namespace {

constexpr char kKey[] = "Software\\Pellmoor\\OrvaneMachineWriteTest";

// The machine key's values after saving `record` through the store.
std::map<std::string, std::vector<std::uint8_t>> MachineValues(FakeRegistry& registry,
                                                               const SettingsRecord& record) {
    SaveSettingsToKey(kKey, record);
    std::map<std::string, std::vector<std::uint8_t>> values;
    for (const std::string& name : registry.ValueNames(RegistryScope::kMachine, kKey))
        values[name] = registry.Value(RegistryScope::kMachine, kKey, name)->data;
    return values;
}

// Each dialog change, whether it needs the machine part written, checked
// against what the store really writes under the machine key.
TEST(MachineWriteTest, OnlyChangesToMachineValuesNeedTheMachineWrite) {
    using Change = std::function<void(SettingsRecord&)>;
    const struct {
        const char* what;
        Change change;
        bool machine;
    } cases[] = {
        {"nothing", [](SettingsRecord&) {}, false},
        {"time font", [](SettingsRecord& r) { CopyToField(r.time_font_name, "Arial"); }, false},
        {"date font", [](SettingsRecord& r) { CopyToField(r.date_font_name, "Tahoma"); }, false},
        {"always on top", [](SettingsRecord& r) { r.always_on_top = 1; }, false},
        {"show date", [](SettingsRecord& r) { r.show_date = 0; }, false},
        {"hide in tray", [](SettingsRecord& r) { r.hide_in_tray = 1; }, false},
        {"taskbar button", [](SettingsRecord& r) { r.hide_taskbar_button = 1; }, false},
        {"window moved", [](SettingsRecord& r) { r.window_position_x += 40; }, false},
        {"server name", [](SettingsRecord& r) { CopyToField(r.server_name, "ntp.example"); }, true},
        {"server address", [](SettingsRecord& r) { r.server_address.address = 0x0100007F; }, true},
        {"by name", [](SettingsRecord& r) { r.use_server_by_name = 1; }, true},
        {"protocol", [](SettingsRecord& r) { r.protocol = 3; }, true},
        {"interval", [](SettingsRecord& r) { r.update_interval = 90; }, true},
        {"broadcasts", [](SettingsRecord& r) { r.receive_sntp_broadcasts = 1; }, true},
        {"dial-up entry",
         [](SettingsRecord& r) { CopyToField(r.dialup_server_name, "\xC5\x81\xC4\x85" "cze"); },
         true},
        {"dial-up password",
         [](SettingsRecord& r) { CopyToField(r.dialup_server_password, "x"); }, true},
        {"force dial", [](SettingsRecord& r) { r.force_dial = 1; }, true},
        {"start with Windows", [](SettingsRecord& r) { r.launch_program_at_startup = 1; }, true},
        {"log folder",
         [](SettingsRecord& r) { CopyToField(r.logfile_path, "C:\\logs\\\xD0\x94"); }, true},
        {"log level", [](SettingsRecord& r) { r.logging_level = 2; }, true},
        {"log age", [](SettingsRecord& r) { r.maximum_logfile_age = 9; }, true},
        {"event log", [](SettingsRecord& r) { r.write_to_event_log = 1; }, true},
        {"largest correction", [](SettingsRecord& r) { r.largest_correction = 60; }, true},
    };
    FakeRegistry registry;
    UseRegistry(&registry);
    SettingsRecord base;
    base.show_date = 1;
    base.protocol = 1;
    base.update_interval = 60;
    CopyToField(base.server_name, "time.example");
    CopyToField(base.time_font_name, "Courier New");
    for (const auto& c : cases) {
        SettingsRecord changed = base;
        c.change(changed);
        EXPECT_EQ(MachinePartDiffers(base, changed), c.machine) << c.what;
        EXPECT_EQ(MachineValues(registry, base) != MachineValues(registry, changed), c.machine)
            << c.what << ": the store's machine part disagrees";
    }
    UseRegistry(nullptr);
}

// Bytes after a text's terminator are no part of the setting.
TEST(MachineWriteTest, BytesAfterATerminatorAreNoChange) {
    SettingsRecord before;
    SettingsRecord after;
    CopyToField(before.logfile_path, "C:\\logs");
    CopyToField(after.logfile_path, "C:\\logs-old");
    CopyToField(after.logfile_path, "C:\\logs");
    EXPECT_FALSE(MachinePartDiffers(before, after));
}

}  // namespace
}  // namespace orvane
