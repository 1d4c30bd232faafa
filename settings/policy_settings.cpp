#include "settings/policy_settings.h"

#include <algorithm>
#include <cstring>

#include "platform/fixed_text.h"
#include "platform/registry.h"
#include "settings/config_dialog_ids.h"
#include "settings/ipv4_text.h"

namespace orvane {

namespace {

constexpr char kServerName[] = "Server name";
constexpr char kServerAddress[] = "Server ip address";
constexpr char kLargestCorrection[] = "Largest correction";
constexpr char kLogfilePath[] = "Logfile path";
// "255.255.255.255" and its terminator, as the store reads it.
constexpr int kAddressTextCapacity = 16;

struct NumberField {
    const char* name;
    std::int32_t SettingsRecord::*field;
};
constexpr NumberField kNumberFields[] = {
    {"Use server by name", &SettingsRecord::use_server_by_name},
    {"Protocol", &SettingsRecord::protocol},
    {"Update interval", &SettingsRecord::update_interval},
    {"Enable updates", &SettingsRecord::enable_updates},
    {"Receive sntp broadcasts", &SettingsRecord::receive_sntp_broadcasts},
    {"Logging level", &SettingsRecord::logging_level},
};

struct ControlsOf {
    const char* name;
    std::vector<int> controls;
};

const std::vector<ControlsOf>& PolicyControls() {
    static const std::vector<ControlsOf> table = {
        // The server list sets the name and the choice by name.
        {kServerName, {IDC_SERVER_NAME, IDC_SERVER_CHOOSE}},
        {kServerAddress, {IDC_SERVER_ADDRESS}},
        {"Use server by name", {IDC_SERVER_BY_NAME, IDC_SERVER_BY_ADDRESS, IDC_SERVER_CHOOSE}},
        {"Protocol", {IDC_SERVER_SNTP, IDC_SERVER_TIME_UDP, IDC_SERVER_TIME_TCP}},
        {"Update interval", {IDC_SERVER_INTERVAL}},
        {"Enable updates", {IDC_SERVER_UPDATES}},
        {"Receive sntp broadcasts", {IDC_SERVER_BROADCASTS}},
        {"Logging level", {IDC_LOG_MINIMUM, IDC_LOG_MEDIUM, IDC_LOG_MAXIMUM}},
        {kLogfilePath, {IDC_LOG_PATH, IDC_LOG_BROWSE}},
    };
    return table;
}

}  // namespace

const std::vector<PolicyValueKind>& PolicyValueKinds() {
    static const std::vector<PolicyValueKind> kinds = {
        {kServerName, kRegSz},
        {kServerAddress, kRegSz},
        {"Use server by name", kRegDword},
        {"Protocol", kRegDword},
        {"Update interval", kRegDword},
        {"Enable updates", kRegDword},
        {"Receive sntp broadcasts", kRegDword},
        {"Clock setting", kRegDword},
        {kLargestCorrection, kRegDword},
        {"Logging level", kRegDword},
        {kLogfilePath, kRegSz},
    };
    return kinds;
}

bool PolicySettings::Governs(const std::string& name) const {
    return numbers.count(name) != 0 || texts.count(name) != 0;
}

std::optional<std::int32_t> PolicySettings::Number(const std::string& name) const {
    const auto found = numbers.find(name);
    return found == numbers.end() ? std::nullopt : std::optional<std::int32_t>(found->second);
}

std::optional<std::string> PolicySettings::Text(const std::string& name) const {
    const auto found = texts.find(name);
    return found == texts.end() ? std::nullopt : std::optional<std::string>(found->second);
}

PolicySettings ReadPolicySettings() {
    PolicySettings policy;
    Registry& registry = TheRegistry();
    RegistryKey key = kNoRegistryKey;
    if (registry.OpenKey(RegistryScope::kMachine, kPolicyKeyPath, RegistryMode::kRead, false,
                         &key) != kErrorSuccess) {
        return policy;
    }
    for (const PolicyValueKind& kind : PolicyValueKinds()) {
        std::uint32_t type = 0;
        if (registry.ReadValueType(key, kind.name, &type) != kErrorSuccess || type != kind.type)
            continue;
        if (type == kRegDword) {
            std::int32_t number = 0;
            if (registry.ReadNumber(key, kind.name, &number) == kErrorSuccess)
                policy.numbers[kind.name] = number;
            continue;
        }
        // A text longer than its setting's field is refused, as the store
        // refuses it.
        PathField text = {};
        const int limit =
            std::strcmp(kind.name, kServerAddress) == 0 ? kAddressTextCapacity : kPathCapacity;
        if (ReadTextField(registry, key, kind.name, text, limit) == kErrorSuccess)
            policy.texts[kind.name] = FieldText(text);
    }
    registry.CloseKey(key);
    return policy;
}

void ApplyPolicy(const PolicySettings& policy, SettingsRecord& record) {
    for (const NumberField& number : kNumberFields) {
        if (const std::optional<std::int32_t> value = policy.Number(number.name))
            record.*number.field = *value;
    }
    if (const std::optional<std::int32_t> value = policy.Number(kLargestCorrection))
        record.largest_correction = static_cast<std::uint32_t>(*value);
    if (const std::optional<std::string> text = policy.Text(kServerName))
        CopyToField(record.server_name, *text);
    if (const std::optional<std::string> text = policy.Text(kServerAddress))
        record.server_address.address = Ipv4TextToAddress(text->c_str());
    if (const std::optional<std::string> text = policy.Text(kLogfilePath))
        CopyToField(record.logfile_path, *text);
}

void KeepPolicyFields(const PolicySettings& policy, const SettingsRecord& opened,
                      SettingsRecord& edited) {
    for (const NumberField& number : kNumberFields) {
        if (policy.Governs(number.name))
            edited.*number.field = opened.*number.field;
    }
    if (policy.Governs(kLogfilePath))
        std::memcpy(edited.logfile_path, opened.logfile_path, sizeof edited.logfile_path);
    // The dialog looks the address up from the name, or the name from the
    // address: what it finds from a policy value is the policy's too.
    const bool by_name = IsOn(edited.use_server_by_name);
    if (policy.Governs(kServerName) || (!by_name && policy.Governs(kServerAddress)))
        std::memcpy(edited.server_name, opened.server_name, sizeof edited.server_name);
    if (policy.Governs(kServerAddress) || (by_name && policy.Governs(kServerName)))
        edited.server_address = opened.server_address;
}

std::vector<int> ControlsSetByPolicy(const PolicySettings& policy) {
    std::vector<int> controls;
    for (const ControlsOf& entry : PolicyControls()) {
        if (!policy.Governs(entry.name))
            continue;
        for (int control : entry.controls) {
            if (std::find(controls.begin(), controls.end(), control) == controls.end())
                controls.push_back(control);
        }
    }
    return controls;
}

}  // namespace orvane
