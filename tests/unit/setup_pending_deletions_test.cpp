#include "setup/pending_deletions.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/fake_registry.h"

namespace orvane {
namespace {

using Renames = std::vector<PendingRename>;
constexpr RegistryScope kMachine = RegistryScope::kMachine;

// A list's data written with "|" for each terminator.
std::u16string Data(const std::u16string& text) {
    std::u16string data = text;
    for (char16_t& unit : data) {
        if (unit == u'|')
            unit = u'\0';
    }
    return data;
}

struct ParseCase {
    const char* name;
    std::u16string data;
    bool parsed;
    Renames renames;
};

class PendingRenamesParseTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(PendingRenamesParseTest, ReadsPairsWithEmptyTargets) {
    Renames renames;
    EXPECT_EQ(ParsePendingRenames(Data(GetParam().data), &renames), GetParam().parsed);
    if (GetParam().parsed) {
        EXPECT_EQ(renames, GetParam().renames);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PendingRenamesParseTest,
    ::testing::Values(
        ParseCase{"OneDeletion", u"\\??\\C:\\a||", true, {{u"\\??\\C:\\a", u""}}},
        ParseCase{
            "OneDeletionAndTheClosingTerminator", u"\\??\\C:\\a|||", true, {{u"\\??\\C:\\a", u""}}},
        ParseCase{"ARenameThenADeletion",
                  u"\\??\\C:\\x|!\\??\\C:\\y|\\??\\C:\\a|||",
                  true,
                  {{u"\\??\\C:\\x", u"!\\??\\C:\\y"}, {u"\\??\\C:\\a", u""}}},
        ParseCase{"ExtraTerminatorsAtTheEnd", u"\\??\\C:\\a|||||", true, {{u"\\??\\C:\\a", u""}}},
        ParseCase{"Empty", u"", true, {}}, ParseCase{"OnlyTheTerminator", u"|", true, {}},
        ParseCase{"LastTextWithoutItsTerminator",
                  u"\\??\\C:\\a|\\??\\C:\\b",
                  true,
                  {{u"\\??\\C:\\a", u"\\??\\C:\\b"}}},
        ParseCase{"AnOddTextIsNoList", u"\\??\\C:\\a||\\??\\C:\\b", false, {}}),
    [](const ::testing::TestParamInfo<ParseCase>& info) { return info.param.name; });

TEST(PendingRenamesFormat, WritesEachTextWithItsTerminatorAndOneMore) {
    EXPECT_EQ(FormatPendingRenames({{u"\\??\\C:\\x", u"!\\??\\C:\\y"}, {u"\\??\\C:\\a", u""}}),
              Data(u"\\??\\C:\\x|!\\??\\C:\\y|\\??\\C:\\a|||"));
    EXPECT_EQ(FormatPendingRenames({}), Data(u"|"));
}

TEST(PendingRenamesSource, NamesThePathWithoutTheSystemPrefix) {
    const std::pair<std::u16string, std::u16string> cases[] = {
        {u"\\??\\C:\\Program Files\\x", u"C:\\Program Files\\x"},
        {u"\\??\\UNC\\server\\share\\x", u"\\\\server\\share\\x"},
        {u"C:\\plain", u"C:\\plain"},
    };
    for (const auto& [source, path] : cases)
        EXPECT_EQ(PendingSourcePath(source), path);
}

const std::u16string kExe = u"C:\\Program Files\\Pellmoor\\Orvane\\Uninstall.exe";
const std::u16string kFolder = u"C:\\Program Files\\Pellmoor\\Orvane";

bool Installed(const std::u16string& path) {
    return path == kExe || path == kFolder;
}

TEST(PendingRenamesDrop, DropsOnlyDeletionsOfInstalledItems) {
    Renames renames = {
        {u"\\??\\" + kExe, u""},
        {u"\\??\\C:\\other.tmp", u""},
        {u"\\??\\" + kFolder, u"!\\??\\C:\\moved"},  // a rename, not a deletion
        {u"\\??\\" + kFolder, u""},
    };
    EXPECT_EQ(DropDeletionsOf(renames, Installed), 2u);
    EXPECT_EQ(renames,
              (Renames{{u"\\??\\C:\\other.tmp", u""}, {u"\\??\\" + kFolder, u"!\\??\\C:\\moved"}}));
}

class PendingDeletionsRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override { UseRegistry(&registry_); }
    void TearDown() override { UseRegistry(nullptr); }

    void PutList(const std::u16string& data) {
        registry_.PutWideMultiText(kMachine, kSessionManagerKeyPath, kPendingRenamesValue, data);
    }
    std::optional<std::u16string> List() {
        return registry_.WideMultiText(kMachine, kSessionManagerKeyPath, kPendingRenamesValue);
    }

    FakeRegistry registry_;
};

TEST_F(PendingDeletionsRegistryTest, WritesBackWhatIsLeftInTheSameForm) {
    PutList(u"\\??\\" + kExe + Data(u"||\\??\\C:\\other.tmp||\\??\\") + kFolder + Data(u"|||"));
    EXPECT_EQ(CancelPendingDeletionsOf(Installed), 0);
    EXPECT_EQ(List(), Data(u"\\??\\C:\\other.tmp|||"));
    EXPECT_EQ(registry_.open_keys(), 0);
}

TEST_F(PendingDeletionsRegistryTest, DeletesTheValueWhenNoPairIsLeft) {
    PutList(u"\\??\\" + kExe + Data(u"||\\??\\") + kFolder + Data(u"|||"));
    EXPECT_EQ(CancelPendingDeletionsOf(Installed), 0);
    EXPECT_FALSE(List().has_value());
    EXPECT_TRUE(registry_.HasKey(kMachine, kSessionManagerKeyPath));
}

TEST_F(PendingDeletionsRegistryTest, LeavesAListWithoutItsItemsUntouched) {
    const std::u16string data = Data(u"\\??\\C:\\other.tmp||\\??\\C:\\x|!\\??\\C:\\y|||");
    PutList(data);
    registry_.ClearLog();
    EXPECT_EQ(CancelPendingDeletionsOf(Installed), 0);
    EXPECT_EQ(List(), data);
    for (const std::string& line : registry_.log())
        EXPECT_EQ(line.rfind("write", 0), std::string::npos) << line;
}

TEST_F(PendingDeletionsRegistryTest, LeavesAListItCannotReadUntouched) {
    const std::u16string data = u"\\??\\" + kExe + Data(u"||\\??\\C:\\odd");
    PutList(data);
    EXPECT_EQ(CancelPendingDeletionsOf(Installed), 0);
    EXPECT_EQ(List(), data);
}

TEST_F(PendingDeletionsRegistryTest, NoKeyNoValueOrAnotherTypeIsNothingToDo) {
    EXPECT_EQ(CancelPendingDeletionsOf(Installed), 0);
    registry_.CreateKey(kMachine, kSessionManagerKeyPath);
    EXPECT_EQ(CancelPendingDeletionsOf(Installed), 0);
    registry_.PutText(kMachine, kSessionManagerKeyPath, kPendingRenamesValue, "text");
    EXPECT_EQ(CancelPendingDeletionsOf(Installed), 0);
    EXPECT_EQ(registry_.Text(kMachine, kSessionManagerKeyPath, kPendingRenamesValue), "text");
    EXPECT_EQ(registry_.open_keys(), 0);
}

TEST_F(PendingDeletionsRegistryTest, AKeyThatCannotBeWrittenIsReported) {
    PutList(u"\\??\\" + kExe + Data(u"|||"));
    registry_.DenyWrite(kMachine, true);
    EXPECT_EQ(CancelPendingDeletionsOf(Installed), 5);
}

}  // namespace
}  // namespace orvane
