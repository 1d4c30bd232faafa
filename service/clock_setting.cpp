#include "service/clock_setting.h"

#include "platform/process_privileges.h"
#include "platform/registry.h"
#include "settings/policy_settings.h"
#include "settings/settings_store.h"

namespace orvane {

ClockPath ChooseClockPath(std::int32_t clock_setting, bool token_holds_privilege) {
    switch (clock_setting) {
        case kClockSettingItself:
            return ClockPath::kItself;
        case kClockSettingService:
            return ClockPath::kThroughService;
        default:
            return token_holds_privilege ? ClockPath::kItself : ClockPath::kThroughService;
    }
}

std::int32_t ReadClockSetting() {
    std::int32_t value = kClockSettingAutomatic;
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, kSettingsKeyPath, RegistryMode::kRead, false,
                         &key) == 0) {
        registry.ReadNumber(key, kClockSettingValueName, &value);
        registry.CloseKey(key);
    }
    // An administrator's policy wins, read afresh like the machine value.
    if (const std::optional<std::int32_t> policy =
            ReadPolicySettings().Number(kClockSettingValueName))
        value = *policy;
    return value;
}

ClockPath CurrentClockPath() {
    const std::int32_t setting = ReadClockSetting();
    // The token is asked only when the answer depends on it.
    if (setting == kClockSettingItself || setting == kClockSettingService)
        return ChooseClockPath(setting, false);
    return ChooseClockPath(setting, TheProcessPrivileges().HoldsSystemtimePrivilege());
}

}  // namespace orvane
