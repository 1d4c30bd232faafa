#include "settings/policy_settings.h"

#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "platform/fixed_text.h"
#include "service/clock_setting.h"
#include "service/time_service_handler.h"
#include "settings/config_dialog_ids.h"
#include "settings/ipv4_text.h"
#include "settings/live_settings.h"
#include "settings/settings_store.h"
#include "support/fake_registry.h"

namespace orvane {
namespace {

constexpr RegistryScope kMachine = RegistryScope::kMachine;

class PolicySettingsTest : public ::testing::Test {
  protected:
    void SetUp() override { UseRegistry(&registry_); }
    void TearDown() override {
        FakeRegistry empty;
        UseRegistry(&empty);
        RefreshPolicySettings();
        UpdateSettings([](SettingsRecord& live) { live = SettingsRecord(); });
        UseRegistry(nullptr);
    }
    // What Orvane.exe runs on after its start (or a round's refresh).
    SettingsRecord ProgramSettings() {
        UpdateSettings([](SettingsRecord& live) {
            live = SettingsRecord();
            LoadSettings(live);
        });
        RefreshPolicySettings();
        return CurrentSettings();
    }

    FakeRegistry registry_;
};

TEST_F(PolicySettingsTest, APolicyValueOfTheSettingsTypeWinsInTheProgramAndTheService) {
    struct Case {
        const char* what;
        std::optional<std::int32_t> machine;
        std::uint32_t policy_type;  // 0: none
        std::int32_t expected;
    };
    const Case cases[] = {
        {"only in the machine settings", 2, 0, 2},
        {"only in the policy", std::nullopt, kRegDword, 3},
        {"in both", 2, kRegDword, 3},
        {"policy of the wrong type", 2, kRegSz, 2},
        {"policy of the wrong type, nothing else", std::nullopt, kRegBinary, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeRegistry registry;
        UseRegistry(&registry);
        for (const char* name : {"Protocol", "Clock setting"}) {
            if (c.machine)
                registry.PutNumber(kMachine, kSettingsKeyPath, name, *c.machine);
            if (c.policy_type == kRegDword)
                registry.PutNumber(kMachine, kPolicyKeyPath, name, 3);
            else if (c.policy_type != 0)
                registry.PutRaw(kMachine, kPolicyKeyPath, name, c.policy_type, {'3', 0, 0, 0});
        }
        EXPECT_EQ(ProgramSettings().protocol, c.expected);
        EXPECT_EQ(ReadMachineTimeSettings().protocol, c.expected);
        EXPECT_EQ(ReadClockSetting(), c.expected);
        // Saving never stores the policy's value as the machine's.
        SaveSettings(StoredSettings());
        EXPECT_EQ(registry.Number(kMachine, kSettingsKeyPath, "Protocol"), c.machine.value_or(0));
        UseRegistry(&registry_);
    }
}

TEST_F(PolicySettingsTest, TextsWinTooAndANumberInTheirPlaceIsIgnored) {
    registry_.PutText(kMachine, kSettingsKeyPath, "Server ip address", "10.0.0.1");
    registry_.PutText(kMachine, kSettingsKeyPath, "Server name", "machine.example");
    registry_.PutText(kMachine, kPolicyKeyPath, "Server ip address", "127.0.0.1");
    registry_.PutNumber(kMachine, kPolicyKeyPath, "Server name", 7);
    EXPECT_EQ(ProgramSettings().server_address.address, Ipv4TextToAddress("127.0.0.1"));
    EXPECT_STREQ(CurrentSettings().server_name, "machine.example");
    EXPECT_EQ(ReadMachineTimeSettings().server_address, Ipv4TextToAddress("127.0.0.1"));
    EXPECT_EQ(ReadMachineTimeSettings().server_name, "machine.example");
}

TEST_F(PolicySettingsTest, APolicyHoldsFromTheNextRefreshAndGoesWithIt) {
    registry_.PutNumber(kMachine, kSettingsKeyPath, "Update interval", 300);
    EXPECT_EQ(ProgramSettings().update_interval, 300);
    registry_.PutNumber(kMachine, kPolicyKeyPath, "Update interval", 15);
    EXPECT_EQ(CurrentSettings().update_interval, 300);  // until the round's refresh
    RefreshPolicySettings();
    EXPECT_EQ(CurrentSettings().update_interval, 15);
    EXPECT_EQ(StoredSettings().update_interval, 300);
    FakeRegistry without_policy;
    UseRegistry(&without_policy);
    RefreshPolicySettings();
    EXPECT_EQ(CurrentSettings().update_interval, 300);
}

TEST(PolicyDialogTest, OkKeepsPolicyFieldsAndWhatWasLookedUpFromThem) {
    struct Case {
        const char* what;
        const char* governed;
        std::int32_t by_name;
        bool name_kept;
        bool address_kept;
    };
    const Case cases[] = {
        {"name held, by name", "Server name", 1, true, true},
        {"name held, by address", "Server name", 0, true, false},
        {"address held, by address", "Server ip address", 0, true, true},
        {"address held, by name", "Server ip address", 1, false, true},
        {"nothing held", "Protocol", 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PolicySettings policy;
        policy.texts[c.governed] = "x";
        SettingsRecord opened;
        opened.use_server_by_name = c.by_name;
        CopyToField(opened.server_name, "policy.example");
        opened.server_address.address = 1;
        SettingsRecord edited = opened;
        CopyToField(edited.server_name, "looked-up.example");
        edited.server_address.address = 2;
        KeepPolicyFields(policy, opened, edited);
        EXPECT_EQ(std::string(edited.server_name) == "policy.example", c.name_kept);
        EXPECT_EQ(edited.server_address.address == 1, c.address_kept);
    }
}

TEST(PolicyDialogTest, TheControlsOfHeldSettingsOnly) {
    PolicySettings policy;
    EXPECT_TRUE(ControlsSetByPolicy(policy).empty());
    policy.texts["Server ip address"] = "127.0.0.1";
    policy.numbers["Logging level"] = 2;
    policy.numbers["Clock setting"] = 2;  // no control
    EXPECT_EQ(ControlsSetByPolicy(policy), (std::vector<int>{IDC_SERVER_ADDRESS, IDC_LOG_MINIMUM,
                                                             IDC_LOG_MEDIUM, IDC_LOG_MAXIMUM}));
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Attribute(const std::string& tag, const std::string& name) {
    std::smatch found;
    const std::regex pattern("\\b" + name + "=\"([^\"]*)\"");
    return std::regex_search(tag, found, pattern) ? found[1].str() : std::string();
}

// The administrative template writes only settings the programs read as
// policy, each with the type the machine setting has; and every such
// setting is in it.
TEST(PolicyTemplateTest, EveryValueItWritesIsAMachineSettingOfTheSameType) {
    const std::string admx = ReadWholeFile(std::string(ORVANE_POLICY_DIR) + "/orvane.admx");
    ASSERT_FALSE(admx.empty());
    std::map<std::string, std::uint32_t> written;
    const std::regex policy_pattern("<policy\\b([^>]*)>([\\s\\S]*?)</policy>");
    const std::regex element_pattern("<(decimal|text|enum|boolean)\\s+id=([^>]*)>");
    for (std::sregex_iterator p(admx.begin(), admx.end(), policy_pattern), end; p != end; ++p) {
        const std::string head = (*p)[1].str();
        const std::string body = (*p)[2].str();
        EXPECT_EQ(Attribute(head, "class"), "Machine");
        EXPECT_EQ(Attribute(head, "key"), kPolicyKeyPath);
        if (!Attribute(head, "valueName").empty())
            written[Attribute(head, "valueName")] = kRegDword;  // enabled/disabled decimals
        for (std::sregex_iterator e(body.begin(), body.end(), element_pattern); e != end; ++e) {
            const bool text =
                (*e)[1].str() == "text" && Attribute((*e)[2].str(), "expandable") != "true";
            written[Attribute((*e)[2].str(), "valueName")] = text ? kRegSz : kRegDword;
        }
        EXPECT_EQ(body.find("<string"), std::string::npos) << "a text item: " << head;
    }
    // What a save stores in the machine settings, and its types.
    FakeRegistry registry;
    UseRegistry(&registry);
    SaveSettings(SettingsRecord());
    UseRegistry(nullptr);
    std::set<std::string> read_as_policy;
    for (const PolicyValueKind& kind : PolicyValueKinds()) {
        read_as_policy.insert(kind.name);
        ASSERT_EQ(written.count(kind.name), 1u) << kind.name << " is missing from the template";
        EXPECT_EQ(written[kind.name], kind.type) << kind.name;
        const auto stored = registry.Value(kMachine, kSettingsKeyPath, kind.name);
        if (std::strcmp(kind.name, kClockSettingValueName) != 0) {
            ASSERT_TRUE(stored.has_value()) << kind.name;
            EXPECT_EQ(stored->type, kind.type) << kind.name;
        }
    }
    for (const auto& [name, type] : written)
        EXPECT_EQ(read_as_policy.count(name), 1u) << name << " is no setting read as policy";
}

TEST(PolicyTemplateTest, EveryStringAndPresentationItNamesIsInTheLanguageFile) {
    const std::string admx = ReadWholeFile(std::string(ORVANE_POLICY_DIR) + "/orvane.admx");
    const std::string adml = ReadWholeFile(std::string(ORVANE_POLICY_DIR) + "/en-US/orvane.adml");
    const std::regex reference("\\$\\((string|presentation)\\.([A-Za-z0-9_]+)\\)");
    int references = 0;
    for (std::sregex_iterator r(admx.begin(), admx.end(), reference), end; r != end; ++r) {
        ++references;
        const std::string tag = "<" + (*r)[1].str() + " id=\"" + (*r)[2].str() + "\"";
        EXPECT_NE(adml.find(tag), std::string::npos) << tag;
    }
    EXPECT_GT(references, 20);
}

}  // namespace
}  // namespace orvane
