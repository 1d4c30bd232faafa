// The machine settings an administrator sets centrally, under
// HKLM\SOFTWARE\Policies\Pellmoor\Orvane with the machine settings' value
// names and types. A value there wins over the machine setting wherever a
// program reads it, and is never stored as the machine setting. Goes
// through TheRegistry().
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_record.h"

namespace orvane {

constexpr char kPolicyKeyPath[] = "SOFTWARE\\Policies\\Pellmoor\\Orvane";
// Shown over a control whose setting the policy holds.
constexpr char kSetByAdministratorText[] = "Set by your administrator";

// A setting the policy may hold: its value name and the registry type
// (kRegDword or kRegSz) a policy value must have to count.
struct PolicyValueKind {
    const char* name;
    std::uint32_t type;
};
const std::vector<PolicyValueKind>& PolicyValueKinds();

// What the policy key holds: only values of the kinds above, with their
// kind's type; anything else there is ignored, as if missing.
struct PolicySettings {
    std::map<std::string, std::int32_t> numbers;  // by the kinds' names
    std::map<std::string, std::string> texts;

    bool Governs(const std::string& name) const;
    std::optional<std::int32_t> Number(const std::string& name) const;
    std::optional<std::string> Text(const std::string& name) const;
};

// Reads the policy key; an empty result when there is none.
PolicySettings ReadPolicySettings();

// The policy's values over the record's.
void ApplyPolicy(const PolicySettings& policy, SettingsRecord& record);

// After the configuration dialog's pages were read and the server looked
// up: every field the policy holds goes back to what the dialog opened
// with, and so does a server name or address looked up from one it holds,
// so that OK never stores a policy value as the machine's own.
void KeepPolicyFields(const PolicySettings& policy, const SettingsRecord& opened,
                      SettingsRecord& edited);

// The configuration pages' controls (config_dialog_ids.h) of the settings
// the policy holds, shown disabled.
std::vector<int> ControlsSetByPolicy(const PolicySettings& policy);

}  // namespace orvane
